#include "ui/find_units_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "base/latin1.h"
#include "document/block.h"
#include "ui/log_view.h"
#include "ui/worker_pump.h"

namespace skelvane {
namespace {

enum Column { kUa, kKind, kVersion, kSerial, kInNetwork, kColumns };

QString fromLatin1(const std::string& text) {
    return QString::fromStdString(Latin1ToUtf8(text));
}

}  // namespace

FindUnitsDialog::FindUnitsDialog(const PortFactory& ports, std::string portName, Clock& clock,
                                 const Block* network, AddUnits addUnits, QWidget* parent)
    : RunDialog(parent),
      model_(std::make_unique<DiscoveryModel>(ports, std::move(portName), clock)),
      network_(network),
      addUnits_(std::move(addUnits)),
      pump_(new WorkerPump([this] { refresh(); }, this)) {
    setWindowTitle(QString::fromLatin1(kTitle));

    range_ = new QLineEdit(QStringLiteral("1-254"));
    range_->setToolTip(QStringLiteral("Unit addresses: numbers and ranges, like 1-50,300-310"));
    rangeError_ = new QLabel;
    rangeError_->setStyleSheet(QStringLiteral("color: #b00000"));
    rangeError_->hide();
    makeRunControls(nullptr);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("&Unit addresses:")));
    rangeRow->addWidget(range_, 1);
    rangeRow->addWidget(start_);
    rangeRow->addWidget(stop_);
    qobject_cast<QLabel*>(rangeRow->itemAt(0)->widget())->setBuddy(range_);

    progress_->setTextVisible(false);

    list_ = new QTreeWidget;
    list_->setColumnCount(kColumns);
    list_->setHeaderLabels({QStringLiteral("UA"), QStringLiteral("Kind"), QStringLiteral("Version"),
                            QStringLiteral("Serial"), QStringLiteral("In network")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    log_ = new LogView(model_->Log());
    log_->setMinimumHeight(90);

    add_ = new QPushButton(QStringLiteral("&Add to Network"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(add_, QDialogButtonBox::ActionRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rangeRow);
    layout->addWidget(rangeError_);
    layout->addWidget(progress_);
    layout->addWidget(progressText_);
    layout->addWidget(list_, 2);
    layout->addWidget(log_, 1);
    layout->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(560, 460)));

    connect(start_, &QPushButton::clicked, this, &FindUnitsDialog::start);
    connect(range_, &QLineEdit::returnPressed, this, &FindUnitsDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] {
        model_->Stop();
        refresh();
    });
    connect(add_, &QPushButton::clicked, this, &FindUnitsDialog::addToNetwork);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    model_->SetUpdateListener(pump_->notifier());
    model_->Log().SetListener(
        [notify = pump_->notifier()](LogPane::Event, const std::string&) { notify(); });
    refresh();
}

FindUnitsDialog::~FindUnitsDialog() {
    model_->SetUpdateListener(nullptr);
    model_->Log().SetListener(nullptr);
    model_->Stop();
    model_->Wait();
}

bool FindUnitsDialog::start() {
    std::string error;
    auto addresses = ParseUnitAddressList(range_->text().toStdString(), error);
    rangeError_->setText(QString::fromStdString(error));
    rangeError_->setVisible(!addresses);
    if (!addresses || !model_->Start(std::move(*addresses))) {
        return false;
    }
    list_->clear();
    refresh();
    return true;
}

bool FindUnitsDialog::inNetwork(std::uint16_t ua) const {
    for (const Block* b = network_ != nullptr ? network_->FirstChild() : nullptr; b != nullptr;
         b = b->NextSibling()) {
        const Parameter* address = b->FindParameter("UnitAddress");
        if (address != nullptr && (address->value & 0xFFFF) == ua) {
            return true;
        }
    }
    return false;
}

void FindUnitsDialog::addToNetwork() {
    if (model_->Busy() || !addUnits_) {
        return;
    }
    addUnits_(model_->Found());
    refresh();
}

void FindUnitsDialog::refresh() {
    const bool busy = model_->Busy();
    const DiscoveryModel::Progress progress = model_->GetProgress();
    const std::vector<FoundUnit> found = model_->Found();

    bool missing = false;
    for (std::size_t i = 0; i < found.size(); ++i) {
        const FoundUnit& unit = found[i];
        QTreeWidgetItem* row = static_cast<int>(i) < list_->topLevelItemCount()
                                   ? list_->topLevelItem(static_cast<int>(i))
                                   : new QTreeWidgetItem(list_);
        const bool known = inNetwork(unit.ua);
        missing = missing || !known;
        row->setText(kUa, QString::number(unit.ua) +
                              (unit.onCable ? QStringLiteral(" (cable)") : QString()));
        row->setText(kKind, QString::fromStdString(unit.KindName()));
        row->setText(kVersion, fromLatin1(unit.version));
        row->setText(kSerial, fromLatin1(unit.serial));
        row->setText(kInNetwork, known ? QStringLiteral("yes") : QStringLiteral("no"));
        for (int c = 0; c < kColumns; ++c) {
            QFont font = row->font(c);
            font.setBold(!known);
            row->setFont(c, font);
        }
    }

    progress_->setMaximum(static_cast<int>(std::max<std::size_t>(progress.total, 1)));
    progress_->setValue(static_cast<int>(progress.done));
    QString text;
    if (progress.total > 0) {
        text = QStringLiteral("%1 of %2 addresses").arg(progress.done).arg(progress.total);
        if (busy) {
            text += QStringLiteral(", %1 left")
                        .arg(QString::fromStdString(DurationText(progress.left)));
        }
        text += QStringLiteral(", %1 found").arg(found.size());
    }
    progressText_->setText(text);

    range_->setEnabled(!busy);
    start_->setEnabled(!busy);
    stop_->setEnabled(busy);
    add_->setEnabled(!busy && missing && addUnits_ != nullptr);
    log_->sync();
}

void FindUnitsDialog::done(int result) {
    model_->Stop();
    refresh();
    QDialog::done(result);
}

}  // namespace skelvane
