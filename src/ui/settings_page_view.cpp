#include "ui/settings_page_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "operations/settings_page_model.h"
#include "ui/defaults_dialog.h"
#include "ui/log_view.h"
#include "ui/network_dialog.h"
#include "ui/property_table.h"
#include "ui/qt_prompter.h"
#include "ui/worker_pump.h"

namespace skelvane {

SettingsPageView::SettingsPageView(Block& block, const PortFactory& ports,
                                   const std::string& portName, UnitFacts& facts,
                                   CurrentRemoteUa& remoteUa, Prompter& prompter, Clock& clock,
                                   QWidget* parent)
    : LinkedPropertyPage(std::make_unique<SettingsPageModel>(block, ports, portName, facts,
                                                             remoteUa, prompter, clock),
                         parent),
      block_(block),
      prompter_(prompter) {
    table_ = new PropertyTable(model_->List(), this);
    log_ = new LogView(model_->Log(), this);

    local_ = new QRadioButton(QStringLiteral("&Local"), this);
    remote_ = new QRadioButton(QStringLiteral("Rem&ote"), this);
    (model_->LocalChosen() ? local_ : remote_)->setChecked(true);
    readAll_ = new QPushButton(QStringLiteral("Read &All"), this);
    read_ = new QPushButton(QStringLiteral("&Read"), this);
    write_ = new QPushButton(QStringLiteral("&Write"), this);
    serial_ = new QPushButton(QStringLiteral("&Serial No."), this);
    version_ = new QPushButton(QStringLiteral("&Version"), this);
    reset_ = new QPushButton(QStringLiteral("Re&set"), this);
    default_ = new QPushButton(QStringLiteral("&Default"), this);
    compare_ = new QPushButton(QStringLiteral("Co&mpare with Unit"), this);
    clearLog_ = new QPushButton(QStringLiteral("&Clear Log"), this);
    verify_ = new QCheckBox(QStringLiteral("Verify"), this);
    verify_->setToolTip(QStringLiteral("Read back what Write sent and compare"));
    verify_->setChecked(model_->Verify());

    auto* unit = new QGroupBox(QStringLiteral("Unit"), this);
    auto* unitLayout = new QVBoxLayout(unit);
    unitLayout->addWidget(local_);
    unitLayout->addWidget(remote_);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(unit);
    for (QPushButton* button :
         {readAll_, read_, write_, serial_, version_, reset_, default_, compare_}) {
        buttons->addWidget(button);
        if (button == write_) {
            buttons->addWidget(verify_);
        }
    }
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(table_, 1);
    top->addLayout(buttons);

    QGroupBox* logBox = makeLogGroup(log_, clearLog_, this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(logBox, 0);

    connect(local_, &QRadioButton::toggled, this, [this](bool on) { model_->ChooseLocal(on); });
    connect(verify_, &QCheckBox::toggled, this, [this](bool on) { model_->SetVerify(on); });
    connect(readAll_, &QPushButton::clicked, this, [this] { start(&SettingsPageModel::ReadAll); });
    connect(read_, &QPushButton::clicked, this, [this] { start(&SettingsPageModel::Read); });
    connect(write_, &QPushButton::clicked, this, [this] { start(&SettingsPageModel::Write); });
    connect(serial_, &QPushButton::clicked, this,
            [this] { start(&SettingsPageModel::SerialNumber); });
    connect(version_, &QPushButton::clicked, this, [this] { start(&SettingsPageModel::Version); });
    connect(reset_, &QPushButton::clicked, this, [this] {
        if (confirmReset(prompter_, targetUnit())) {
            start(&SettingsPageModel::Reset);
        }
    });
    connect(default_, &QPushButton::clicked, this, &SettingsPageView::chooseDefault);
    // The unit is read aside and compared with this block, on the page's port, Local or
    // Remote as chosen here; values taken from the unit land in the block.
    connect(compare_, &QPushButton::clicked, this, [this, &ports, portName, &prompter, &clock] {
        NetworkDialog dialog(NetworkTask::Compare, block_, ports, portName, prompter, clock, this);
        const Parameter* ua = block_.FindParameter("UnitAddress");
        dialog.useSingleUnit(block_, local_->isChecked(),
                             ua != nullptr ? static_cast<std::uint16_t>(ua->value) : 0);
        dialog.exec();
        activate();
    });
    connect(clearLog_, &QPushButton::clicked, this, [this] {
        model_->ClearLog();
        log_->sync();
    });
    // Queued: the edit is judged once its editor has closed, so a message box cannot make
    // the editor commit a second time.
    connect(table_, &PropertyTable::valueEdited, this, &SettingsPageView::acceptEdit,
            Qt::QueuedConnection);

    const auto notify = pump_->notifier();
    model_->SetUpdateListener(notify);
    model_->Log().SetListener([notify](LogPane::Event, const std::string&) { notify(); });
    model_->List().SetRenamedListener([this](Block& renamed) { emit blockRenamed(&renamed); });
    updateButtons();
}

SettingsPageView::~SettingsPageView() {
    closePage();
    model_->SetUpdateListener(nullptr);
    model_->Log().SetListener(nullptr);
    // The views look at the model: they go first.
    delete table_;
    delete log_;
}

void SettingsPageView::activate() {
    // Another page may have read values into the block meanwhile.
    model_->List().RefreshList();
    table_->showValues();
}

void SettingsPageView::leave() {
    model_->ChooseLocal(local_->isChecked());
    model_->Leave();
}

void SettingsPageView::start(bool (SettingsPageModel::*button)()) {
    model_->ChooseLocal(local_->isChecked());
    ((*model_).*button)();
    updateButtons();
}

void SettingsPageView::chooseDefault() {
    const std::optional<std::size_t> chosen = DefaultsDialog::chooseDefaultSet(this);
    if (!chosen) {
        return;
    }
    model_->ChooseLocal(local_->isChecked());
    model_->Default(chosen);
    updateButtons();
}

void SettingsPageView::acceptEdit(int row, const QVariant& value) {
    PropertyListModel& list = model_->List();
    if (row < 0 || static_cast<std::size_t>(row) >= list.Rows().size()) {
        return;
    }
    const auto index = static_cast<std::size_t>(row);
    switch (list.Rows()[index].kind) {
        case CellKind::Text:
            list.AcceptText(index, toLatin1(value.toString()));
            break;
        case CellKind::Number:
            list.AcceptNumber(index, toLatin1(value.toString()));
            break;
        case CellKind::List:
            list.AcceptChoice(index, value.toInt());
            break;
    }
    // Accepted or refused, the cell shows what the parameter holds now.
    table_->showValues();
    updateButtons();
}

void SettingsPageView::updateFromWorker() {
    if (model_->ApplyWorkerResults()) {
        table_->showValues();
    }
    log_->sync();
    updateButtons();
}

void SettingsPageView::updateButtons() {
    const bool idle = model_->ActionsEnabled();
    for (QPushButton* button : {readAll_, read_, write_, serial_, version_, reset_, compare_}) {
        button->setEnabled(idle);
    }
    default_->setEnabled(model_->DefaultEnabled());
    // How many edited values Write would send.
    const std::size_t pending = model_->List().PendingCount();
    write_->setText(pending == 0 ? QStringLiteral("&Write")
                                 : QStringLiteral("&Write (%1)").arg(pending));
}

}  // namespace skelvane
