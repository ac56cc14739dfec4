#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QValidator>
#include <QVariant>

namespace skelvane {

class PropertyListModel;

// A header whose first section shows a check box: the mark the "Update" column's header
// click gives to every row.
class CheckHeader : public QHeaderView {
    Q_OBJECT

  public:
    explicit CheckHeader(QWidget* parent = nullptr);
    void setChecked(bool checked);
    bool isChecked() const { return checked_; }

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    bool checked_ = true;
};

// Digits of an unsigned 32-bit number and nothing else. The number editor uses it, so a value
// past 4294967295 cannot be typed: read as a 32-bit number it would wrap around and could
// land inside the parameter's range as some other value.
class Uint32Validator : public QValidator {
    Q_OBJECT

  public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// The value cell editors of the parameter list: a line for text (at most 511 characters), a
// digits-only line for a number, a drop-down for a list. An edit is not written into the
// model here: `edited` hands it on (text for text and number cells, the index for a list), so
// the page can check it, show its message and put the cell right once the editor is closed.
class PropertyCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    PropertyCellDelegate(const PropertyListModel& model, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  signals:
    void edited(int row, QVariant value) const;

  private:
    const PropertyListModel& model_;
};

// The Settings page's parameter list: the "Update" check boxes (column 0, with the header
// toggle), "Description", "Register" and "Value". It shows what the PropertyListModel holds;
// check marks go straight to the model, value edits leave through `valueEdited`.
class PropertyTable : public QTableWidget {
    Q_OBJECT

  public:
    enum Column { kCheckColumn = 0, kDescriptionColumn, kRegisterColumn, kValueColumn };

    explicit PropertyTable(PropertyListModel& model, QWidget* parent = nullptr);

    // Rebuilds the rows from the model's rows.
    void fill();
    // Rewrites the value cells and check boxes from the model.
    void showValues();
    // The row of a parameter, -1 when it is not listed.
    int rowOf(const std::string& name) const;
    CheckHeader* checkHeader() const { return header_; }
    PropertyCellDelegate* cellDelegate() const { return delegate_; }

  signals:
    void valueEdited(int row, QVariant value);

  private:
    void checkChanged(QTableWidgetItem* item);
    void headerClicked(int section);

    PropertyListModel& model_;
    CheckHeader* header_;
    PropertyCellDelegate* delegate_;
    bool syncing_ = false;
};

}  // namespace skelvane
