#include "ui/diagnostics_page_view.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/latin1.h"
#include "operations/diagnostics_page_model.h"
#include "ui/diag_plot.h"
#include "ui/log_view.h"
#include "ui/qt_prompter.h"
#include "ui/worker_pump.h"

namespace skelvane {

namespace {

using Field = DiagnosticsPageModel::Field;

// What a value cell shows when the last pass did not receive its value.
const QString kNoValue = QStringLiteral("\u2014");

const Parameter* findNoCase(const Block& block, std::string_view name) {
    for (const Parameter& parameter : block.Parameters()) {
        if (EqualsNoCase(parameter.name, name)) {
            return &parameter;
        }
    }
    return nullptr;
}

QLineEdit* smallEdit(QWidget* parent, int digits) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(digits + 2);
    edit->setFixedWidth(
        edit->fontMetrics().horizontalAdvance(QString(digits + 1, QLatin1Char('0'))) + 14);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

}  // namespace

DiagnosticsPageView::DiagnosticsPageView(Block& block, const PortFactory& ports,
                                         const std::string& portName, CurrentRemoteUa& remoteUa,
                                         Prompter& prompter, Clock& clock, QWidget* parent)
    : LinkedPropertyPage(
          std::make_unique<DiagnosticsPageModel>(block, ports, portName, remoteUa, prompter, clock),
          parent),
      block_(block),
      clock_(clock) {
    // The values: one row per diagnostic parameter, a value cell for the thirteen known ones.
    values_ = new QTableWidget(0, 2, this);
    values_->setHorizontalHeaderLabels({QStringLiteral("Description"), QStringLiteral("Value")});
    values_->setColumnWidth(0, 160);
    values_->setColumnWidth(1, 120);
    values_->horizontalHeader()->setStretchLastSection(true);
    values_->verticalHeader()->hide();
    values_->verticalHeader()->setDefaultSectionSize(values_->fontMetrics().height() + 6);
    values_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    values_->setSelectionBehavior(QAbstractItemView::SelectRows);
    values_->setSelectionMode(QAbstractItemView::SingleSelection);
    const auto& rows = model_->Rows();
    values_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < values_->rowCount(); ++i) {
        const auto& row = rows[static_cast<std::size_t>(i)];
        values_->setItem(i, 0, new QTableWidgetItem(fromLatin1(row.description)));
        if (row.hasValue) {
            auto* value = new QTableWidgetItem(row.missing ? kNoValue : fromLatin1(row.value));
            value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            values_->setItem(i, 1, value);
        }
    }

    log_ = new LogView(model_->Log(), this);
    plot_ = new DiagPlot(this);

    local_ = new QRadioButton(QStringLiteral("&Local"), this);
    remote_ = new QRadioButton(QStringLiteral("Rem&ote"), this);
    (model_->LocalChosen() ? local_ : remote_)->setChecked(true);
    read_ = new QPushButton(QStringLiteral("&Read"), this);
    poll_ = new QCheckBox(QStringLiteral("&Poll"), this);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    clearLog_ = new QPushButton(QStringLiteral("&Clear Log"), this);
    get_ = new QPushButton(QStringLiteral("&Get"), this);
    set_ = new QPushButton(QStringLiteral("&Set"), this);

    fields_[0] = smallEdit(this, 1);
    for (int k = 1; k <= 4; ++k) {
        fields_[static_cast<std::size_t>(k)] = smallEdit(this, 3);
    }
    fields_[5] = smallEdit(this, 10);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const auto field = static_cast<Field>(i);
        fields_[i]->setText(fromLatin1(model_->FieldText(field)));
        connect(fields_[i], &QLineEdit::textEdited, this, [this, field](const QString& text) {
            model_->SetFieldText(field, toLatin1(text));
        });
    }

    // Left: the unit choice, the values and the buttons that read them.
    auto* unit = new QGroupBox(QStringLiteral("Unit"), this);
    auto* unitLayout = new QHBoxLayout(unit);
    unitLayout->addWidget(local_);
    unitLayout->addWidget(remote_);
    unitLayout->addStretch(1);
    auto* readRow = new QHBoxLayout;
    readRow->addWidget(read_);
    readRow->addWidget(poll_);
    readRow->addWidget(stop_);
    readRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(unit);
    left->addWidget(values_, 1);
    left->addLayout(readRow);

    // Right: the custom parameter and the chart.
    auto* custom = new QGroupBox(QStringLiteral("Custom Parameter"), this);
    auto* grid = new QGridLayout(custom);
    auto* sizeLabel = new QLabel(QStringLiteral("Parameter Size (1,2,4):"), custom);
    sizeLabel->setBuddy(sizeEdit());
    grid->addWidget(sizeLabel, 0, 0);
    grid->addWidget(sizeEdit(), 0, 1, 1, 2, Qt::AlignLeft);
    auto* idsLabel = new QLabel(QStringLiteral("IDs:"), custom);
    idsLabel->setBuddy(idEdit(3));
    auto* ids = new QHBoxLayout;
    ids->addWidget(new QLabel(QStringLiteral("MSB"), custom));
    for (int k = 3; k >= 0; --k) {
        ids->addWidget(idEdit(k));  // id4 on the left, id1 on the right
    }
    ids->addWidget(new QLabel(QStringLiteral("LSB"), custom));
    ids->addStretch(1);
    grid->addWidget(idsLabel, 1, 0);
    grid->addLayout(ids, 1, 1, 1, 2);
    auto* valueLabel = new QLabel(QStringLiteral("Value:"), custom);
    valueLabel->setBuddy(valueEdit());
    grid->addWidget(valueLabel, 2, 0);
    grid->addWidget(valueEdit(), 2, 1, 1, 2, Qt::AlignLeft);
    auto* getSet = new QHBoxLayout;
    getSet->addStretch(1);
    getSet->addWidget(get_);
    getSet->addWidget(set_);
    grid->addLayout(getSet, 3, 0, 1, 3);

    auto* chart = new QGroupBox(QStringLiteral("RSSI and temperature"), this);
    auto* chartLayout = new QVBoxLayout(chart);
    chartLayout->addWidget(plot_);

    auto* right = new QVBoxLayout;
    right->addWidget(custom);
    right->addWidget(chart, 1);

    // The two columns of values fit without scrolling sideways.
    values_->setMinimumWidth(160 + 120 + values_->verticalScrollBar()->sizeHint().width() +
                             2 * values_->frameWidth() + 4);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 0);
    top->addLayout(right, 1);

    QGroupBox* logBox = makeLogGroup(log_, clearLog_, this);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(logBox, 0);

    connect(local_, &QRadioButton::toggled, this, [this](bool on) { model_->ChooseLocal(on); });
    connect(poll_, &QCheckBox::toggled, this, [this](bool on) { model_->SetPollChecked(on); });
    connect(read_, &QPushButton::clicked, this, [this] { start(&DiagnosticsPageModel::Read); });
    connect(get_, &QPushButton::clicked, this, [this] { start(&DiagnosticsPageModel::Get); });
    connect(set_, &QPushButton::clicked, this, [this] { start(&DiagnosticsPageModel::Set); });
    connect(stop_, &QPushButton::clicked, this, [this] { model_->Stop(); });
    connect(clearLog_, &QPushButton::clicked, this, [this] {
        model_->ClearLog();
        log_->sync();
    });

    const auto notify = pump_->notifier();
    model_->SetUpdateListener(notify);
    model_->Log().SetListener([notify](LogPane::Event, const std::string&) { notify(); });
    model_->SetPassListener([notify, news = news_, link = &model_->Link()](std::uint64_t, bool ok) {
        if (ok && link->Operation<DiagnosticsOp>() == DiagnosticsOp::Read) {
            news->readPasses.fetch_add(1);
        }
        notify();
    });
    updateButtons();
}

DiagnosticsPageView::~DiagnosticsPageView() {
    closePage();
    model_->SetUpdateListener(nullptr);
    model_->SetPassListener(nullptr);
    model_->Log().SetListener(nullptr);
    delete log_;
}

void DiagnosticsPageView::activate() {
    model_->Activate();
}

void DiagnosticsPageView::pushControls() {
    model_->ChooseLocal(local_->isChecked());
    model_->SetPollChecked(poll_->isChecked());
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        model_->SetFieldText(static_cast<Field>(i), toLatin1(fields_[i]->text()));
    }
}

void DiagnosticsPageView::leave() {
    pushControls();
    model_->Leave();
    const QSignalBlocker quiet(poll_);
    poll_->setChecked(model_->PollChecked());
}

void DiagnosticsPageView::start(bool (DiagnosticsPageModel::*button)()) {
    pushControls();
    ((*model_).*button)();
    if (const auto field = model_->FocusedField()) {
        QLineEdit* edit = fields_[static_cast<std::size_t>(*field)];
        edit->setFocus();
        edit->selectAll();
    }
    updateButtons();
}

void DiagnosticsPageView::updateFromWorker() {
    // The pass count first: a pass counted here has handed its values over already.
    const std::uint64_t readPasses = news_->readPasses.load();
    if (model_->ApplyWorkerResults()) {
        showValues();
    }
    if (readPasses != sampledPasses_) {
        sampledPasses_ = readPasses;
        takeSample();
    }
    log_->sync();
    updateButtons();
}

void DiagnosticsPageView::showValues() {
    const auto& rows = model_->Rows();
    for (int i = 0; i < values_->rowCount() && static_cast<std::size_t>(i) < rows.size(); ++i) {
        if (QTableWidgetItem* cell = values_->item(i, 1)) {
            const auto& row = rows[static_cast<std::size_t>(i)];
            const QString value = row.missing ? kNoValue : fromLatin1(row.value);
            if (cell->text() != value) {
                cell->setText(value);
            }
        }
    }
    // The worker writes the custom value it read into the "Value:" field.
    const QString value = fromLatin1(model_->FieldText(Field::Value));
    if (valueEdit()->text() != value) {
        valueEdit()->setText(value);
    }
}

void DiagnosticsPageView::takeSample() {
    const Parameter* rssi = findNoCase(block_, "DiagRSSI");
    const Parameter* temperature = findNoCase(block_, "DiagTemperature");
    if (rssi == nullptr || temperature == nullptr) {
        return;
    }
    DiagPlot::Sample sample;
    sample.time = clock_.Now();
    sample.rssiDbm = -static_cast<double>(rssi->value);
    sample.temperatureC = static_cast<double>(temperature->value) - 55.0;
    plot_->addSample(sample);
}

void DiagnosticsPageView::updateButtons() {
    const bool idle = model_->ReadEnabled();
    read_->setEnabled(idle);
    poll_->setEnabled(idle);
}

}  // namespace skelvane
