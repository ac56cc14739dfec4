#include "ui/restrictions_page_view.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

// First: it hides Qt's `slots` keyword from the restriction table the page includes.
#include "ui/restriction_state.h"

#include "document/parameter.h"
#include "operations/restrictions_page.h"
#include "ui/log_view.h"
#include "ui/qt_prompter.h"
#include "ui/worker_pump.h"
#include "ui/zone_preset_dialog.h"

namespace skelvane {

namespace {

constexpr int kDescriptionWidth = 74;
constexpr int kValueWidth = 390;

// A group box title takes '&' as a mnemonic mark; a block's name is shown as it stands.
// What a row takes, shown as its tooltip and as the editor's placeholder text.
QString entryFormat(bool restriction) {
    return restriction
               ? QStringLiteral("UA:start,end[,start,end...] in kHz, e.g. 300:902400,903000")
               : QStringLiteral(
                     "Up to 16 repeater UAs (2 to 65534) separated by commas or "
                     "blanks, e.g. 2,5,9; 0 for none");
}

QString plainTitle(const std::string& name) {
    QString title = fromLatin1(name);
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return title;
}

}  // namespace

QWidget* RestrictionCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                               const QModelIndex& index) const {
    if (index.column() != RestrictionsPageView::kValueColumn) {
        return nullptr;
    }
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(static_cast<int>(kTextValueMax));
    // The entry format, shown once the old value is cleared.
    edit->setPlaceholderText(index.data(Qt::ToolTipRole).toString());
    return edit;
}

void RestrictionCellDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                           const QModelIndex& index) const {
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        emit committed(index.row(), edit->text());
    }
}

RestrictionsPageView::RestrictionsPageView(Block& block, const PortFactory& ports,
                                           const std::string& portName, UnitFacts& facts,
                                           RestrictionState& restrictions,
                                           CurrentRemoteUa& remoteUa, Prompter& prompter,
                                           Clock& clock, QWidget* parent)
    : LinkedPropertyPage(
          std::make_unique<RestrictionsPage>(block, ports, portName, facts, restrictions, remoteUa,
                                             prompter, clock),
          parent),
      prompter_(prompter) {
    group_ = new QGroupBox(this);
    // Only the title is bold: the controls inside keep the page's font.
    // Weights set explicitly on both, or the controls would inherit the group box's.
    QFont normal = font();
    normal.setWeight(QFont::Normal);
    QFont bold = normal;
    bold.setWeight(QFont::Bold);
    group_->setFont(bold);
    showTitle();

    list_ = new QTableWidget(0, 2, group_);
    list_->setHorizontalHeaderLabels({QStringLiteral("Description"), QStringLiteral("Value")});
    list_->setColumnWidth(kDescriptionColumn, kDescriptionWidth);
    list_->setColumnWidth(kValueColumn, kValueWidth);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::SelectedClicked);
    delegate_ = new RestrictionCellDelegate(list_);
    list_->setItemDelegate(delegate_);
    const auto& rows = model_->List().Rows();
    list_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < list_->rowCount(); ++i) {
        const auto& row = rows[static_cast<std::size_t>(i)];
        auto* description = new QTableWidgetItem(fromLatin1(row.description));
        description->setFlags(description->flags() & ~Qt::ItemIsEditable);
        auto* value = new QTableWidgetItem(fromLatin1(row.value));
        const QString format = entryFormat(row.entryIndex.has_value());
        description->setToolTip(format);
        value->setToolTip(format);
        list_->setItem(i, kDescriptionColumn, description);
        list_->setItem(i, kValueColumn, value);
    }
    // Seventeen short rows: all of them in view, the repeater list included.
    list_->setMinimumHeight(list_->horizontalHeader()->sizeHint().height() +
                            list_->rowCount() * list_->verticalHeader()->defaultSectionSize() +
                            2 * list_->frameWidth());
    // The descriptions are read in full: the column is never narrower than its longest one.
    list_->resizeColumnToContents(kDescriptionColumn);
    list_->setColumnWidth(kDescriptionColumn,
                          std::max(kDescriptionWidth, list_->columnWidth(kDescriptionColumn)));

    local_ = new QRadioButton(QStringLiteral("&Local"), group_);
    remote_ = new QRadioButton(QStringLiteral("Rem&ote"), group_);
    (model_->LocalChosen() ? local_ : remote_)->setChecked(true);
    read_ = new QPushButton(QStringLiteral("&Read"), group_);
    write_ = new QPushButton(QStringLiteral("&Write"), group_);
    reset_ = new QPushButton(QStringLiteral("Re&set"), group_);
    zones_ = new QPushButton(QStringLiteral("Zones"), group_);
    zones_->setToolTip(
        QStringLiteral("Fill the selected restriction entry from a zone preset. Available for a "
                       "unit in the country \"North America2\" at link rate 0, once it has "
                       "been read."));
    for (QWidget* w :
         std::initializer_list<QWidget*>{list_, local_, remote_, read_, write_, reset_, zones_}) {
        w->setFont(normal);
    }

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(local_);
    buttons->addWidget(remote_);
    buttons->addSpacing(8);
    for (QPushButton* button : {read_, write_, reset_, zones_}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    auto* groupLayout = new QHBoxLayout(group_);
    groupLayout->addLayout(buttons);
    groupLayout->addWidget(list_, 1);

    log_ = new LogView(model_->Log(), this);
    clearLog_ = new QPushButton(QStringLiteral("&Clear Log"), this);
    QGroupBox* logBox = makeLogGroup(log_, clearLog_, this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_, 1);
    layout->addWidget(logBox, 0);

    connect(local_, &QRadioButton::toggled, this, [this](bool on) { model_->ChooseLocal(on); });
    connect(read_, &QPushButton::clicked, this, [this] { start(&RestrictionsPage::Read); });
    connect(write_, &QPushButton::clicked, this, [this] { start(&RestrictionsPage::Write); });
    connect(reset_, &QPushButton::clicked, this, [this] {
        if (confirmReset(prompter_, targetUnit())) {
            start(&RestrictionsPage::Reset);
        }
    });
    connect(zones_, &QPushButton::clicked, this, &RestrictionsPageView::openZones);
    connect(clearLog_, &QPushButton::clicked, this, [this] {
        model_->ClearLog();
        log_->sync();
    });
    connect(list_, &QTableWidget::currentCellChanged, this, [this](int row) { rowSelected(row); });
    connect(list_, &QTableWidget::cellClicked, this, [this](int row) { rowSelected(row); });
    // Queued: the text is judged once its editor has closed, so a message box cannot make
    // the editor commit a second time.
    connect(delegate_, &RestrictionCellDelegate::committed, this, &RestrictionsPageView::commitEdit,
            Qt::QueuedConnection);

    const auto notify = pump_->notifier();
    model_->SetUpdateListener(notify);
    model_->Log().SetListener([notify](LogPane::Event, const std::string&) { notify(); });
    updateButtons();
}

RestrictionsPageView::~RestrictionsPageView() {
    closePage();
    model_->SetUpdateListener(nullptr);
    model_->Log().SetListener(nullptr);
    // The views look at the page's log and list: they go first.
    delete log_;
    delete list_;
}

int RestrictionsPageView::rowOf(const std::string& name) const {
    const auto& rows = model_->List().Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void RestrictionsPageView::activate() {
    model_->Activate();
    // The Settings page may have renamed the block or read its entries meanwhile.
    showTitle();
    model_->List().Refresh();
    showValues();
    updateButtons();
}

void RestrictionsPageView::leave() {
    model_->ChooseLocal(local_->isChecked());
    model_->Leave();
    updateButtons();
}

void RestrictionsPageView::start(bool (RestrictionsPage::*button)()) {
    model_->ChooseLocal(local_->isChecked());
    ((*model_).*button)();
    updateButtons();
}

void RestrictionsPageView::rowSelected(int row) {
    // -1: the click fell beside the rows, which keeps the selection.
    if (row >= 0) {
        model_->List().SelectRow(static_cast<std::size_t>(row));
    }
}

void RestrictionsPageView::openZones() {
    if (!model_->List().ZonesOpensDialog()) {
        return;
    }
    ZonePresetDialog dialog(prompter_, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    model_->ApplyZoneResult(dialog.resultText());
    // Taken, the row shows the pattern; refused, what it held before.
    showValues();
}

void RestrictionsPageView::commitEdit(int row, const QString& text) {
    if (row < 0 || static_cast<std::size_t>(row) >= model_->List().Rows().size()) {
        return;
    }
    model_->CommitEdit(static_cast<std::size_t>(row), toLatin1(text));
    showValues();
}

void RestrictionsPageView::updateFromWorker() {
    if (model_->ApplyWorkerResults()) {
        showValues();
    }
    log_->sync();
    updateButtons();
}

void RestrictionsPageView::showTitle() {
    group_->setTitle(plainTitle(model_->Title()));
}

void RestrictionsPageView::showValues() {
    const auto& rows = model_->List().Rows();
    for (int i = 0; i < list_->rowCount() && static_cast<std::size_t>(i) < rows.size(); ++i) {
        QTableWidgetItem* cell = list_->item(i, kValueColumn);
        const QString value = fromLatin1(rows[static_cast<std::size_t>(i)].value);
        if (cell != nullptr && cell->text() != value) {
            cell->setText(value);
        }
    }
}

void RestrictionsPageView::updateButtons() {
    const bool idle = model_->ActionsEnabled();
    for (QPushButton* button : {read_, write_, reset_}) {
        button->setEnabled(idle);
    }
    zones_->setEnabled(model_->ZonesEnabled());
}

}  // namespace skelvane
