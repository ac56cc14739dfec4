#include "ui/spectrum_sheet.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <fstream>

#include "base/log_pane.h"
#include "base/strings.h"
#include "spectrum/spectrum_chart.h"
#include "ui/chart_widget.h"
#include "ui/data_port_picture.h"
#include "ui/dialog_units.h"
#include "ui/file_names.h"
#include "ui/log_view.h"
#include "ui/qt_prompter.h"
#include "ui/target_label.h"
#include "ui/worker_pump.h"

namespace skelvane {
namespace {

// Small enough for any screen, large enough for the labels to stay apart.
const QSize kChartMinimum(480, 240);

}  // namespace

SpectrumAnalyzerPage::SpectrumAnalyzerPage(const PortFactory& ports, const PortSettings& settings,
                                           ScanParserState& parser, Clock& clock,
                                           Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      prompter_(prompter),
      page_(std::make_unique<SpectrumPage>(ports, settings, parser, clock, prompter_)),
      pump_(new WorkerPump([this] { refresh(); }, this)) {
    instructions_ = new QLabel(fromLatin1(SpectrumPage::kInstructions));
    instructions_->setWordWrap(true);
    auto* frame = new QGroupBox;
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(instructions_);
    picture_ = new DataPortPicture;

    chart_ = new ChartWidget(page_->Chart());
    chart_->setMinimumSize(kChartMinimum);
    scan_ = new QPushButton(fromLatin1(page_->ScanButtonText()));
    clear_ = new QPushButton(fromLatin1(SpectrumPage::kClearCaption));
    export_ = new QPushButton(QStringLiteral("E&xport CSV..."));
    export_->setToolTip(QStringLiteral("Write the four curves to a comma-separated file"));
    log_ = new LogView(page_->Log());
    clearLog_ = new QPushButton(fromLatin1(SpectrumPage::kClearLogCaption));

    auto* top = new QHBoxLayout;
    top->addWidget(frame, 1);
    top->addWidget(picture_);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(scan_);
    buttons->addWidget(clear_);
    buttons->addSpacing(12);
    buttons->addWidget(export_);
    buttons->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addLayout(buttons);
    middle->addWidget(chart_, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(log_, 1);
    auto* logButtons = new QVBoxLayout;
    logButtons->addWidget(clearLog_);
    logButtons->addWidget(log_->controls());
    logButtons->addStretch();
    bottom->addLayout(logButtons);
    log_->setMinimumHeight(dialogUnits(this, 0, 40).height());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 3);
    layout->addLayout(bottom, 1);

    connect(scan_, &QPushButton::clicked, this, [this] {
        page_->PressScan();
        refresh();
    });
    connect(clear_, &QPushButton::clicked, this, [this] { page_->PressClear(); });
    connect(clearLog_, &QPushButton::clicked, this, [this] { page_->PressClearLog(); });
    connect(export_, &QPushButton::clicked, this, &SpectrumAnalyzerPage::chooseExportFile);
    connect(chart_, &ChartWidget::modelChanged, this, &SpectrumAnalyzerPage::refresh);
    page_->SetScanButtonListener([notify = pump_->notifier()](const std::string&) { notify(); });
    page_->Log().SetListener(
        [notify = pump_->notifier()](LogPane::Event, const std::string&) { notify(); });
    refresh();
}

SpectrumAnalyzerPage::~SpectrumAnalyzerPage() {
    closePage();
    // Should the worker have outlasted the stop's bound, it still writes the log and the
    // chart: their views go only once it has ended.
    page_->WaitForWorker();
    page_->SetScanButtonListener({});
    page_->Log().SetListener({});
    delete log_;
    delete chart_;
}

void SpectrumAnalyzerPage::closePage() {
    prompter_.shutDown();
    page_->Close();
    refresh();
}

void SpectrumAnalyzerPage::refresh() {
    scan_->setText(fromLatin1(page_->ScanButtonText()));
    export_->setEnabled(page_->Chart().Allocated());
    log_->sync();
}

void SpectrumAnalyzerPage::chooseExportFile() {
    QFileDialog dialog(this, QStringLiteral("Export CSV"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilters({QStringLiteral("CSV Files (*.csv)"), QStringLiteral("All Files (*.*)")});
    dialog.selectFile(QStringLiteral("spectrum.csv"));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        exportCsv(dialog.selectedFiles().constFirst());
    }
}

bool SpectrumAnalyzerPage::exportCsv(const QString& path) {
    const std::string csv = SpectrumCsv(page_->Chart(), page_->CurrentState().plan);
    std::ofstream out(toPath(path), std::ios::binary | std::ios::trunc);
    out.write(csv.data(), static_cast<std::streamsize>(csv.size()));
    out.close();
    if (!out) {
        prompter_.Message("Couldn't write file " + toLatin1(path), LoadText(kIdsError),
                          MessageIcon::Exclamation);
        return false;
    }
    return true;
}

SpectrumSheet::SpectrumSheet(const PortFactory& ports, const PortSettings& settings,
                             ScanParserState& parser, Clock& clock, Prompter& prompter,
                             QWidget* parent)
    : QDialog(parent),
      target_(new TargetLabel(*this, fromLatin1(SpectrumPage::kSheetTitle))),
      pages_(new QTabWidget(this)) {
    // The scan's AT commands go to the unit on the cable only.
    target_->setTarget(true, 0);
    analyzer_ = new SpectrumAnalyzerPage(ports, settings, parser, clock, prompter);
    pages_->addTab(analyzer_, fromLatin1(SpectrumPage::kPageTitle));

    // The sheet can only be closed: one button, "Close", where Cancel would stand.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close_ = buttons->button(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target_);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
    // The page's size in dialog units is where the sheet starts; the chart takes what the
    // user adds.
    const QSize page = dialogUnits(this, SpectrumPage::kPageWidth, SpectrumPage::kPageHeight);
    resize(sizeHint().expandedTo(page + QSize(40, 80)));
}

void SpectrumSheet::setBlockName(const QString& name) {
    target_->setBlockName(name);
}

void SpectrumSheet::done(int result) {
    analyzer_->closePage();
    QDialog::done(result);
}

}  // namespace skelvane
