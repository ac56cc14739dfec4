#pragma once

#include <QComboBox>
#include <QWidget>
#include <vector>

#include "link/port_discovery.h"
#include "link/port_settings.h"

namespace skelvane {

// A selector that can look for new entries just before its list opens.
class RefreshingComboBox : public QComboBox {
    Q_OBJECT

  public:
    using QComboBox::QComboBox;
    void showPopup() override;

  signals:
    void aboutToShowPopup();
};

// The status bar's serial-port settings: "Serial Port:" and the lists of ports, baud rates,
// data formats and flow controls. Picking an entry writes it back to the settings at once;
// the settings are stored when the network is saved.
class PortBar : public QWidget {
    Q_OBJECT

  public:
    // `factory` lists the simulated ports and probes every port; it must outlive the bar.
    PortBar(PortSettings& settings, const PortFactory& factory, QWidget* parent = nullptr);

    // Fills the port list with these entries and selects the setting's port (no selection
    // when it is not among them).
    void fillPorts(const std::vector<PortListEntry>& ports);
    // Looks for the machine's ports again.
    void refreshPorts();

    QComboBox* portList() const { return port_; }
    QComboBox* baudList() const { return baud_; }
    QComboBox* formatList() const { return format_; }
    QComboBox* flowList() const { return flow_; }

  private:
    PortSettings& settings_;
    const PortFactory& factory_;
    std::vector<PortListEntry> ports_;
    RefreshingComboBox* port_;
    QComboBox* baud_;
    QComboBox* format_;
    QComboBox* flow_;
};

}  // namespace skelvane
