#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;

namespace skelvane {

// "Rename Block": an edit box with the block's current name. OK hands the new name (Latin-1)
// to `accept`, which gives the block the name or explains why not; the dialog closes only when
// it returns true.
class RenameDialog : public QDialog {
    Q_OBJECT

  public:
    using AcceptName = std::function<bool(const std::string&)>;

    RenameDialog(const std::string& currentName, AcceptName accept, QWidget* parent = nullptr);

    QLineEdit* nameEdit() const { return edit_; }

  public slots:
    void accept() override;

  private:
    QLineEdit* edit_;
    AcceptName acceptName_;
};

}  // namespace skelvane
