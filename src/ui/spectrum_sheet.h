#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>

#include "base/clock.h"
#include "base/prompter.h"
#include "link/port_settings.h"
#include "operations/spectrum_page.h"
#include "ui/worker_prompter.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace skelvane {

class ChartWidget;
class DataPortPicture;
class LogView;
class TargetLabel;
class WorkerPump;

// The "Spectrum Analyzer" page: the instructions and the picture of the cabling at the top,
// the Scan/Stop, Clear and Export buttons beside the chart, the log below. A thin view over
// SpectrumPage: the buttons call its Press* operations, and what its worker changes (log,
// chart, button text) is shown on the GUI thread through coalesced updates.
class SpectrumAnalyzerPage : public QWidget {
    Q_OBJECT

  public:
    // `prompter` is a GUI-thread one: the worker's messages (a failed chart allocation)
    // reach it through the page's WorkerPrompter.
    SpectrumAnalyzerPage(const PortFactory& ports, const PortSettings& settings,
                         ScanParserState& parser, Clock& clock, Prompter& prompter,
                         QWidget* parent = nullptr);
    // Stops the worker first.
    ~SpectrumAnalyzerPage() override;

    SpectrumPage& model() { return *page_; }
    ChartWidget* chart() const { return chart_; }
    LogView* log() const { return log_; }
    QPushButton* scanButton() const { return scan_; }
    QPushButton* clearButton() const { return clear_; }
    QPushButton* clearLogButton() const { return clearLog_; }
    QPushButton* exportButton() const { return export_; }
    QLabel* instructions() const { return instructions_; }

    // "Export CSV..." after its file dialog: writes the curves to `path`. False (after a
    // message) when the file cannot be written.
    bool exportCsv(const QString& path);
    // The close paths of the sheet: releases a worker waiting for an answer, stops a running
    // scan and closes the port.
    void closePage();

  private:
    void refresh();
    void chooseExportFile();

    WorkerPrompter prompter_;
    std::unique_ptr<SpectrumPage> page_;
    WorkerPump* pump_;
    QLabel* instructions_;
    DataPortPicture* picture_;
    ChartWidget* chart_;
    LogView* log_;
    QPushButton* scan_;
    QPushButton* clear_;
    QPushButton* clearLog_;
    QPushButton* export_;
};

// The "Tools ..." sheet with its one page. It only closes: its one button reads "Close".
// Every way of closing it stops the scan first.
class SpectrumSheet : public QDialog {
    Q_OBJECT

  public:
    SpectrumSheet(const PortFactory& ports, const PortSettings& settings, ScanParserState& parser,
                  Clock& clock, Prompter& prompter, QWidget* parent = nullptr);

    // The block the sheet was opened for: its name follows the caption and heads the line
    // above the page.
    void setBlockName(const QString& name);

    TargetLabel* target() const { return target_; }
    SpectrumAnalyzerPage* analyzer() const { return analyzer_; }
    QTabWidget* pages() const { return pages_; }
    QPushButton* closeButton() const { return close_; }

    void done(int result) override;

  private:
    TargetLabel* target_;
    QTabWidget* pages_;
    SpectrumAnalyzerPage* analyzer_;
    QPushButton* close_;
};

}  // namespace skelvane
