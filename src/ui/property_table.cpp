#include "ui/property_table.h"

#include <QComboBox>
#include <QFont>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>

#include "document/parameter.h"
#include "document/property_list_model.h"
#include "ui/qt_prompter.h"

namespace skelvane {

namespace {

// Widths of the four columns in pixels.
constexpr int kColumnWidths[] = {32, 140, 60, 110};

const PropertyRow* rowAt(const PropertyListModel& model, int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= model.Rows().size()) {
        return nullptr;
    }
    return &model.Rows()[static_cast<std::size_t>(row)];
}

}  // namespace

// --- the header ---------------------------------------------------------------------------

CheckHeader::CheckHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
}

void CheckHeader::setChecked(bool checked) {
    if (checked_ != checked) {
        checked_ = checked;
        viewport()->update();
    }
}

void CheckHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (logicalIndex != PropertyTable::kCheckColumn) {
        return;
    }
    QStyleOptionButton box;
    const QSize size = style()->sizeFromContents(QStyle::CT_CheckBox, &box, QSize(), this);
    const int side = std::min({size.width(), size.height(), rect.height() - 2});
    box.rect = QRect(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    box.state = QStyle::State_Enabled | (checked_ ? QStyle::State_On : QStyle::State_Off);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, this);
}

// --- the cell editors -----------------------------------------------------------------------

QValidator::State Uint32Validator::validate(QString& input, int&) const {
    if (input.isEmpty()) {
        return Intermediate;
    }
    std::uint64_t value = 0;
    for (const QChar c : input) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return Invalid;
        }
        value = value * 10 + static_cast<std::uint64_t>(c.unicode() - '0');
        if (value > 0xFFFFFFFFull) {
            return Invalid;
        }
    }
    return Acceptable;
}

PropertyCellDelegate::PropertyCellDelegate(const PropertyListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

QWidget* PropertyCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
    const PropertyRow* row = rowAt(model_, index.row());
    if (row == nullptr || index.column() != PropertyTable::kValueColumn || !row->enabled) {
        return nullptr;
    }
    switch (row->kind) {
        case CellKind::Text: {
            auto* edit = new QLineEdit(parent);
            edit->setMaxLength(static_cast<int>(kTextValueMax));
            return edit;
        }
        case CellKind::Number: {
            auto* edit = new QLineEdit(parent);
            edit->setValidator(new Uint32Validator(edit));
            return edit;
        }
        case CellKind::List: {
            auto* combo = new QComboBox(parent);
            for (const std::string& choice : row->choices) {
                combo->addItem(fromLatin1(choice));
            }
            // A choice is taken as soon as it is picked.
            connect(combo, &QComboBox::activated, this, [this, combo] {
                emit const_cast<PropertyCellDelegate*>(this)->commitData(combo);
                emit const_cast<PropertyCellDelegate*>(this)->closeEditor(combo);
            });
            return combo;
        }
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void PropertyCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const PropertyRow* row = rowAt(model_, index.row());
    if (row == nullptr) {
        return;
    }
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(row->selected);
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        edit->setText(fromLatin1(row->value));
        edit->selectAll();
    }
}

void PropertyCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                        const QModelIndex& index) const {
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        emit edited(index.row(), combo->currentIndex());
    } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        emit edited(index.row(), edit->text());
    }
}

// --- the table ------------------------------------------------------------------------------

PropertyTable::PropertyTable(PropertyListModel& model, QWidget* parent)
    : QTableWidget(0, 4, parent),
      model_(model),
      header_(new CheckHeader(this)),
      delegate_(new PropertyCellDelegate(model, this)) {
    setHorizontalHeader(header_);
    setHorizontalHeaderLabels({QString(), QStringLiteral("Description"), QStringLiteral("Register"),
                               QStringLiteral("Value")});
    for (int column = 0; column < 4; ++column) {
        setColumnWidth(column, kColumnWidths[column]);
    }
    header_->setSectionResizeMode(kCheckColumn, QHeaderView::Fixed);
    header_->setStretchLastSection(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setItemDelegateForColumn(kValueColumn, delegate_);
    setWordWrap(false);
    connect(delegate_, &PropertyCellDelegate::edited, this, &PropertyTable::valueEdited);
    connect(this, &QTableWidget::itemChanged, this, &PropertyTable::checkChanged);
    connect(header_, &QHeaderView::sectionClicked, this, &PropertyTable::headerClicked);
    fill();
}

void PropertyTable::fill() {
    syncing_ = true;
    const auto& rows = model_.Rows();
    setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < rowCount(); ++i) {
        const PropertyRow& row = rows[static_cast<std::size_t>(i)];
        const Qt::ItemFlags enabled = row.enabled ? Qt::ItemIsEnabled : Qt::NoItemFlags;
        auto* check = new QTableWidgetItem;
        check->setFlags(enabled | (row.enabled ? Qt::ItemIsUserCheckable | Qt::ItemIsSelectable
                                               : Qt::NoItemFlags));
        auto* description = new QTableWidgetItem(fromLatin1(row.description));
        description->setFlags(enabled | Qt::ItemIsSelectable);
        auto* reg = new QTableWidgetItem(fromLatin1(row.reg));
        reg->setFlags(enabled | Qt::ItemIsSelectable);
        auto* value = new QTableWidgetItem;
        value->setFlags(row.enabled ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable
                                    : Qt::NoItemFlags);
        const QString tip = fromLatin1(row.tip);
        for (QTableWidgetItem* cell : {check, description, reg, value}) {
            cell->setToolTip(tip);
        }
        setItem(i, kCheckColumn, check);
        setItem(i, kDescriptionColumn, description);
        setItem(i, kRegisterColumn, reg);
        setItem(i, kValueColumn, value);
    }
    syncing_ = false;
    showValues();
}

void PropertyTable::showValues() {
    syncing_ = true;
    const auto& rows = model_.Rows();
    for (int i = 0; i < rowCount() && static_cast<std::size_t>(i) < rows.size(); ++i) {
        const PropertyRow& row = rows[static_cast<std::size_t>(i)];
        const QString value = fromLatin1(row.value);
        QTableWidgetItem* cell = item(i, kValueColumn);
        if (cell->text() != value) {
            cell->setText(value);
        }
        const Qt::CheckState state = row.checked ? Qt::Checked : Qt::Unchecked;
        QTableWidgetItem* check = item(i, kCheckColumn);
        // A value edited but not yet written: bold, and a mark beside its check box.
        const QString mark = row.pending ? QStringLiteral("*") : QString();
        if (check->text() != mark) {
            check->setText(mark);
            for (int column : {kDescriptionColumn, kValueColumn}) {
                QFont font = item(i, column)->font();
                font.setBold(row.pending);
                item(i, column)->setFont(font);
            }
        }
        if (check->data(Qt::CheckStateRole).isNull() || check->checkState() != state) {
            check->setCheckState(state);
        }
    }
    header_->setChecked(model_.HeaderChecked());
    syncing_ = false;
}

int PropertyTable::rowOf(const std::string& name) const {
    const std::optional<std::size_t> row = model_.FindRow(name);
    return row ? static_cast<int>(*row) : -1;
}

void PropertyTable::checkChanged(QTableWidgetItem* changed) {
    if (syncing_ || changed->column() != kCheckColumn) {
        return;
    }
    model_.SetChecked(static_cast<std::size_t>(changed->row()),
                      changed->checkState() == Qt::Checked);
    // A disabled row keeps its cleared box whatever was clicked.
    showValues();
}

void PropertyTable::headerClicked(int section) {
    if (section != kCheckColumn) {
        return;
    }
    model_.ToggleHeaderCheck();
    showValues();
}

}  // namespace skelvane
