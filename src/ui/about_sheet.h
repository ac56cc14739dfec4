#pragma once

#include <QDialog>
#include <QString>
#include <QWidget>
#include <vector>

class QTabWidget;

namespace skelvane {

// One wire of a cable: a pin of the 8-pin RJ-45 plug at the unit to a pin of the 9-pin female
// D-sub at the PC.
struct CableWire {
    int plugPin;
    int socketPin;
    const char* signal;
};

struct CableWiring {
    QString caption;
    std::vector<CableWire> wires;
};

// The diagnostic cable (three wires, no handshake lines) and the programming cable, whose DTR
// and RTS lines put the unit's controller into its boot mode.
CableWiring diagnosticCable();
CableWiring programmingCable();

// Draws a cable's wiring: the plug on the left, the socket on the right, a wire per pin pair
// with the signal it carries.
class CableDiagram : public QWidget {
    Q_OBJECT

  public:
    explicit CableDiagram(CableWiring wiring, QWidget* parent = nullptr);
    const CableWiring& wiring() const { return wiring_; }
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    CableWiring wiring_;
};

// The "Help ..." sheet: "About", "Diagnostic Cable" and "Program Cable".
class AboutSheet : public QDialog {
    Q_OBJECT

  public:
    explicit AboutSheet(QWidget* parent = nullptr);
    QTabWidget* pages() const { return pages_; }

  private:
    QTabWidget* pages_;
};

}  // namespace skelvane
