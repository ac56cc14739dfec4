#pragma once

#include <QStyledItemDelegate>
#include <memory>
#include <string>

// Before the page model: it reads the restriction table with Qt's `slots` macro hidden.
#include "ui/restriction_state.h"

#include "operations/restrictions_page.h"
#include "ui/property_page.h"

class QGroupBox;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace skelvane {

class Block;
class Clock;
class CurrentRemoteUa;
class LogView;
class PortFactory;
class Prompter;
class RestrictionState;
class WorkerPump;
struct UnitFacts;

// The value cells of the restrictions list: a line editor whose committed text leaves through
// `committed` (the row is judged by the page, not written here).
class RestrictionCellDelegate : public QStyledItemDelegate {
    Q_OBJECT

  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

  signals:
    void committed(int row, QString text) const;
};

// The "Restrictions & Repeaters" page: a group box titled with the block's name in bold
// holding Local/Remote, "&Read", "&Write", "Re&set", "Zones" and the list of the block's
// restriction entries and repeater list; below it the log and "&Clear Log". A thin view over
// a RestrictionsPage; the worker's results reach the widgets through a WorkerPump.
class RestrictionsPageView : public LinkedPropertyPage<RestrictionsPage> {
    Q_OBJECT

  public:
    enum Column { kDescriptionColumn = 0, kValueColumn };

    RestrictionsPageView(Block& block, const PortFactory& ports, const std::string& portName,
                         UnitFacts& facts, RestrictionState& restrictions,
                         CurrentRemoteUa& remoteUa, Prompter& prompter, Clock& clock,
                         QWidget* parent = nullptr);
    ~RestrictionsPageView() override;

    void activate() override;
    void leave() override;

    QGroupBox* group() const { return group_; }
    QTableWidget* list() const { return list_; }
    RestrictionCellDelegate* cellDelegate() const { return delegate_; }
    QPushButton* readButton() const { return read_; }
    QPushButton* writeButton() const { return write_; }
    QPushButton* resetButton() const { return reset_; }
    QPushButton* zonesButton() const { return zones_; }
    // The row of a parameter, -1 when it is not listed.
    int rowOf(const std::string& name) const;

  private:
    void start(bool (RestrictionsPage::*button)());
    void openZones();
    void commitEdit(int row, const QString& text);
    void rowSelected(int row);
    void updateFromWorker() override;
    void showTitle();
    void showValues();
    void updateButtons();

    Prompter& prompter_;
    QGroupBox* group_ = nullptr;
    QTableWidget* list_ = nullptr;
    RestrictionCellDelegate* delegate_ = nullptr;
    QPushButton* read_ = nullptr;
    QPushButton* write_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* zones_ = nullptr;
};

}  // namespace skelvane
