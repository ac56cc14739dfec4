#pragma once

#include <QDialog>
#include <QWidget>
#include <string>
#include <vector>

#include "operations/zone_preset_dialog_model.h"
#include "restrictions/zone_presets.h"

class QLineEdit;
class QRadioButton;

namespace skelvane {

class Prompter;

// The picture under the zone buttons: the band from 902.4 to 927.6 MHz as nine columns, each
// labelled with the part of the band the restricted unit keeps (lower bound above, upper
// bound below, in kHz), the selected zone filled. Clicking a column selects that zone.
class ZoneStrip : public QWidget {
    Q_OBJECT

  public:
    explicit ZoneStrip(QWidget* parent = nullptr);

    void setSelectedZone(int zone);
    int selectedZone() const { return selected_; }
    // The column of zone `zone` (0 to 8) in widget coordinates.
    QRect zoneRect(int zone) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  signals:
    void zoneClicked(int zone);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    int selected_ = 1;
};

// "Preset Freq. Restrictions": the restricted UA, the nine zones and their picture. OK keeps
// the dialog open while the UA box is refused (a beep, or the range message) and closes it
// with the zone's entry text otherwise; Cancel gives "0".
class ZonePresetDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ZonePresetDialog(Prompter& prompter, QWidget* parent = nullptr);

    const std::string& resultText() const { return model_.ResultText(); }
    const ZonePresetDialogModel& model() const { return model_; }
    QLineEdit* uaEdit() const { return ua_; }
    QRadioButton* zoneButton(int zone) const { return zones_.at(static_cast<std::size_t>(zone)); }
    ZoneStrip* strip() const { return strip_; }

  public slots:
    void accept() override;
    void reject() override;

  private:
    void selectZone(int zone);

    Prompter& prompter_;
    ZonePresetDialogModel model_;
    QLineEdit* ua_;
    std::vector<QRadioButton*> zones_;
    ZoneStrip* strip_;
};

}  // namespace skelvane
