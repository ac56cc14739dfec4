#include "ui/network_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/format.h"
#include "operations/network_backup_model.h"
#include "operations/network_compare_model.h"
#include "operations/network_restore_model.h"
#include "ui/log_view.h"
#include "ui/worker_pump.h"

namespace skelvane {
namespace {

QString FromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

const char* TitleOf(NetworkTask task) {
    switch (task) {
        case NetworkTask::Read:
            return "Read Network";
        case NetworkTask::Compare:
            return "Compare Network";
        case NetworkTask::Write:
            return "Write Network";
    }
    return "";
}

QString TimeText(Millis time) {
    const long long seconds = (time.count() + 999) / 1000;
    return QString::asprintf("%lld:%02lld", seconds / 60, seconds % 60);
}

}  // namespace

NetworkDialog::NetworkDialog(NetworkTask task, Block& root, const PortFactory& ports,
                             std::string portName, Prompter& prompter, Clock& clock,
                             QWidget* parent)
    : RunDialog(parent), task_(task), prompter_(prompter) {
    switch (task) {
        case NetworkTask::Read: {
            auto model = std::make_unique<NetworkBackupModel>(root, ports, std::move(portName),
                                                              prompter, clock);
            backup_ = model.get();
            model_ = std::move(model);
            break;
        }
        case NetworkTask::Compare: {
            auto model = std::make_unique<NetworkCompareModel>(root, ports, std::move(portName),
                                                               prompter, clock);
            compare_ = model.get();
            model_ = std::move(model);
            break;
        }
        case NetworkTask::Write: {
            auto model = std::make_unique<NetworkRestoreModel>(root, ports, std::move(portName),
                                                               prompter, clock);
            restore_ = model.get();
            model_ = std::move(model);
            break;
        }
    }
    pump_ = std::make_unique<WorkerPump>([this] { update(); });
    build();
    const auto notify = pump_->notifier();
    model_->SetListener(notify);
    model_->Log().SetListener([notify](LogPane::Event, const std::string&) { notify(); });
    fillCables();
    fillUnits();
    updateButtons();
}

NetworkDialog::~NetworkDialog() {
    model_->Stop();
    model_->SetListener(nullptr);
    model_->Log().SetListener(nullptr);
    delete log_;
}

void NetworkDialog::build() {
    setWindowTitle(QString::fromLatin1(TitleOf(task_)));
    cable_ = new QComboBox(this);
    units_ = new QTreeWidget(this);
    units_->setHeaderLabels({QStringLiteral("Block"), QStringLiteral("Kind"),
                             QStringLiteral("Address"), QStringLiteral("Route"),
                             QStringLiteral("Status")});
    units_->setRootIsDecorated(false);
    units_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    makeRunControls(this);
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    log_ = new LogView(model_->Log(), this);

    cableLabel_ = new QLabel(QStringLiteral("On the &cable:"), this);
    cableLabel_->setBuddy(cable_);
    auto* top = new QFormLayout;
    top->addRow(cableLabel_, cable_);
    auto* buttons = new QHBoxLayout;
    if (task_ == NetworkTask::Write) {
        changedOnly_ = new QCheckBox(QStringLiteral("C&hanged only"), this);
        changedOnly_->setChecked(true);
        buttons->addWidget(changedOnly_);
    }
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(stop_);
    buttons->addWidget(close);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(progressText_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(units_, 2);
    if (task_ == NetworkTask::Compare) {
        differences_ = new QTreeWidget(this);
        differences_->setHeaderLabels({QStringLiteral("Block"), QStringLiteral("Parameter"),
                                       QStringLiteral("File"), QStringLiteral("Unit")});
        differences_->setRootIsDecorated(false);
        differences_->setSelectionMode(QAbstractItemView::ExtendedSelection);
        take_ = new QPushButton(QStringLiteral("Take &Unit's Value"), this);
        takeAll_ = new QPushButton(QStringLiteral("Take &All"), this);
        auto* box = new QGroupBox(QStringLiteral("Differences"), this);
        auto* boxLayout = new QVBoxLayout(box);
        boxLayout->addWidget(differences_);
        differencesNote_ = new QLabel(box);
        differencesNote_->setWordWrap(true);
        differencesNote_->hide();
        boxLayout->addWidget(differencesNote_);
        auto* takeRow = new QHBoxLayout;
        takeRow->addStretch(1);
        takeRow->addWidget(take_);
        takeRow->addWidget(takeAll_);
        boxLayout->addLayout(takeRow);
        layout->addWidget(box, 2);
        connect(take_, &QPushButton::clicked, this, [this] { take(false); });
        connect(takeAll_, &QPushButton::clicked, this, [this] { take(true); });
        connect(differences_, &QTreeWidget::itemSelectionChanged, this,
                &NetworkDialog::updateButtons);
    }
    layout->addLayout(progressRow);
    layout->addWidget(log_, 1);
    layout->addLayout(buttons);
    resize(640, task_ == NetworkTask::Compare ? 640 : 520);

    connect(cable_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (filling_ || index < 0) {
            return;
        }
        model_->ChooseCable(static_cast<Block*>(cable_->itemData(index).value<void*>()));
        fillUnits();
        updateButtons();
    });
    connect(units_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (filling_ || column != 0) {
            return;
        }
        model_->Choose(static_cast<Block*>(item->data(0, Qt::UserRole).value<void*>()),
                       item->checkState(0) == Qt::Checked);
        updateButtons();
    });
    connect(start_, &QPushButton::clicked, this, &NetworkDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] { model_->Stop(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
}

void NetworkDialog::useSingleUnit(Block& block, bool local, std::uint16_t ua) {
    model_->UseSingleUnit(block, local, ua);
    setWindowTitle(QStringLiteral("Compare with Unit"));
    single_ = true;
    // One unit, reached as the page says: there is no cable block to choose.
    cable_->hide();
    cableLabel_->hide();
    fillUnits();
    updateButtons();
}

void NetworkDialog::fillCables() {
    filling_ = true;
    cable_->clear();
    for (Block* block : model_->CableChoices()) {
        cable_->addItem(FromLatin1(block->Name()), QVariant::fromValue<void*>(block));
        if (block == model_->Units().cable) {
            cable_->setCurrentIndex(cable_->count() - 1);
        }
    }
    filling_ = false;
}

void NetworkDialog::fillUnits() {
    filling_ = true;
    const std::vector<UnitRow> rows = model_->Rows();
    if (units_->topLevelItemCount() != static_cast<int>(rows.size())) {
        units_->clear();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            new QTreeWidgetItem(units_);
        }
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const UnitRow& row = rows[i];
        QTreeWidgetItem* item = units_->topLevelItem(static_cast<int>(i));
        item->setData(0, Qt::UserRole, QVariant::fromValue<void*>(row.block));
        item->setText(0, FromLatin1(row.name));
        item->setText(1, QString::fromStdString(row.kind));
        item->setText(2, QString::fromStdString(row.address));
        item->setText(3, row.local ? QStringLiteral("Local") : QStringLiteral("Remote"));
        item->setText(4, FromLatin1(row.status.text));
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (row.contacted && !running()) {
            flags |= Qt::ItemIsUserCheckable;
        }
        item->setFlags(flags);
        item->setCheckState(0, row.chosen && row.contacted ? Qt::Checked : Qt::Unchecked);
    }
    filling_ = false;
}

void NetworkDialog::start() {
    if (running()) {
        return;
    }
    bool started = false;
    if (backup_ != nullptr) {
        started = backup_->Start();
        phase_ = Phase::Running;
    } else if (compare_ != nullptr) {
        started = compare_->Start();
        phase_ = Phase::Running;
        differences_->clear();
    } else {
        restore_->SetChangedOnly(changedOnly_->isChecked());
        started = restore_->Plan();
        phase_ = Phase::Planning;
    }
    if (!started) {
        phase_ = Phase::Idle;
    }
    pump_->updateNow();
}

void NetworkDialog::update() {
    // Whether the run has ended is read before its statuses: a run that ends while this pass
    // reads them is shown by the next pass, never left showing a unit still waiting.
    const bool busy = model_->Busy();
    log_->sync();
    fillUnits();
    const std::vector<NetworkUnitStatus> statuses = model_->Run().Statuses();
    std::size_t ended = 0;
    for (const NetworkUnitStatus& status : statuses) {
        ended += status.state == UnitState::Waiting || status.state == UnitState::Working ? 0 : 1;
    }
    progress_->setRange(0, static_cast<int>(statuses.size()));
    progress_->setValue(static_cast<int>(ended));
    QString text = QStringLiteral("%1 of %2 units").arg(ended).arg(statuses.size());
    const RunProgress steps = model_->Run().Progress();
    if (busy && steps.timeLeft) {
        text += QStringLiteral(", %1 left").arg(TimeText(*steps.timeLeft));
    }
    progressText_->setText(text);
    if (running() && phase_ != Phase::Asking && !busy) {
        finished();
    }
    if (compare_ != nullptr) {
        fillDifferences();
    }
    updateButtons();
}

void NetworkDialog::finished() {
    const Phase phase = phase_;
    phase_ = Phase::Idle;
    if (backup_ != nullptr) {
        if (!backup_->ApplyWorkerResults().empty() && changed_) {
            changed_();
        }
        return;
    }
    if (restore_ == nullptr || phase != Phase::Planning || !restore_->Planned()) {
        return;
    }
    if (restore_->UnitsToWrite() == 0) {
        prompter_.Message("Nothing to write: no unit would get a value.", TitleOf(task_),
                          MessageIcon::Information);
        return;
    }
    // Nothing starts while the question is open: Start stays disabled until it is answered.
    phase_ = Phase::Asking;
    updateButtons();
    const bool yes = prompter_.Message(restore_->ConfirmationText(), TitleOf(task_),
                                       MessageIcon::Question, MessageButtons::YesNo) == Answer::Yes;
    phase_ = Phase::Idle;
    if (yes && restore_->Write()) {
        phase_ = Phase::Writing;
        pump_->updateNow();
    }
}

void NetworkDialog::fillDifferences() {
    const std::vector<BlockDifference> list = compare_->Differences();
    fillDifferencesNote(list.empty());
    if (differences_->topLevelItemCount() == static_cast<int>(list.size())) {
        return;
    }
    differences_->clear();
    for (const BlockDifference& d : list) {
        auto* item = new QTreeWidgetItem(differences_);
        item->setText(0, FromLatin1(d.blockName));
        item->setText(1, FromLatin1(d.difference.parameter));
        item->setText(2, FromLatin1(d.difference.fileValue));
        item->setText(3, FromLatin1(d.difference.unitValue));
        if (!d.difference.writable) {
            item->setToolTip(3, QStringLiteral("The unit keeps this value itself"));
        }
    }
}

void NetworkDialog::fillDifferencesNote(bool none) {
    // An empty list says why once a run has ended: everything read matched, or nothing could
    // be read to compare.
    const std::size_t units = compare_->Run().Statuses().size();
    const std::size_t read = compare_->SucceededCount();
    QString note;
    if (none && !running() && units > 0) {
        if (read == 0) {
            note = QStringLiteral("Nothing was compared: no unit could be read.");
        } else if (read < units) {
            note = QStringLiteral("No differences in the units read; %1 of %2 could not be read.")
                       .arg(units - read)
                       .arg(units);
        } else if (single_ || units == 1) {
            note = QStringLiteral("No differences: the unit matches the file.");
        } else {
            note = QStringLiteral("No differences: every unit matches the file.");
        }
    }
    differencesNote_->setText(note);
    differencesNote_->setVisible(!note.isEmpty());
}

void NetworkDialog::take(bool all) {
    std::size_t taken = 0;
    if (all) {
        taken = compare_->TakeAll();
    } else {
        // From the last selected row up, so the indexes of the others stay put.
        std::vector<int> rows;
        for (QTreeWidgetItem* item : differences_->selectedItems()) {
            rows.push_back(differences_->indexOfTopLevelItem(item));
        }
        std::sort(rows.rbegin(), rows.rend());
        for (const int row : rows) {
            taken += compare_->Take(static_cast<std::size_t>(row)) ? 1 : 0;
        }
    }
    differences_->clear();
    fillDifferences();
    if (taken > 0 && changed_) {
        changed_();
    }
    updateButtons();
}

void NetworkDialog::updateButtons() {
    const bool busy = running() || model_->Busy();
    start_->setEnabled(!busy && model_->StartEnabled());
    stop_->setEnabled(busy);
    cable_->setEnabled(!busy && !single_ && cable_->count() > 0);
    if (changedOnly_ != nullptr) {
        changedOnly_->setEnabled(!busy);
    }
    if (take_ != nullptr) {
        take_->setEnabled(!busy && !differences_->selectedItems().isEmpty());
        takeAll_->setEnabled(!busy && differences_->topLevelItemCount() > 0);
    }
}

void NetworkDialog::done(int result) {
    // Closing stops the run; the worker ends within a second with the port closed.
    if (model_->Busy()) {
        model_->Stop();
    }
    update();
    QDialog::done(result);
}

CheckNetworkDialog::CheckNetworkDialog(Block& root, QWidget* parent)
    : QDialog(parent), findings_(CheckNetwork(root)) {
    setWindowTitle(QStringLiteral("Check Network"));
    list_ = new QListWidget(this);
    for (const Finding& finding : findings_) {
        list_->addItem(FromLatin1(finding.text));
    }
    if (findings_.empty()) {
        list_->addItem(QStringLiteral("No findings: the plan of the network is sound."));
    }
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(close);
    layout->addLayout(row);
    resize(560, 360);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const int row = list_->row(item);
        if (row >= 0 && static_cast<std::size_t>(row) < findings_.size() &&
            !findings_[row].blocks.empty()) {
            emit blockChosen(findings_[row].blocks.front());
        }
    });
}

}  // namespace skelvane
