#pragma once

#include <QDialog>
#include <cstddef>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QRadioButton;

namespace skelvane {

// "Defaults": the eight factory default sets, "Fast Mode" on the left and "Slow Mode" on the
// right, the warning, OK and Cancel. Opens with "F2 (PMP Remote)" selected.
class DefaultsDialog : public QDialog {
    Q_OBJECT

  public:
    explicit DefaultsDialog(QWidget* parent = nullptr);

    // The index of the selected set (into kDefaultSets).
    std::size_t selectedIndex() const;
    QRadioButton* setButton(std::size_t index) const { return buttons_.at(index); }
    QPlainTextEdit* warning() const { return warning_; }

    // Shows the dialog modally: the chosen index after OK, nullopt after Cancel.
    static std::optional<std::size_t> chooseDefaultSet(QWidget* parent);

  private:
    std::vector<QRadioButton*> buttons_;
    QPlainTextEdit* warning_;
};

}  // namespace skelvane
