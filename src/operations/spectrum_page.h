#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "base/listener_slot.h"
#include "base/log_pane.h"
#include "base/prompter.h"
#include "link/device_worker.h"
#include "link/port_settings.h"
#include "link/serial_port.h"
#include "spectrum/chart_model.h"
#include "spectrum/model_table.h"
#include "spectrum/scan_parser.h"

namespace skelvane {

// The "Spectrum Analyzer" page without its window. The radio on the data port is put into
// command mode, asked for its link rate and model, and then scanned once a second; every
// answer goes onto the chart. The window binds its buttons to PressScan, PressClear and
// PressClearLog, its close paths to Close, draws Chart() and shows Log().
//
// Threads: the Press* operations and Close run on the window thread. The worker writes the
// log pane, the chart and the page state; each of them takes its own lock and calls its
// listener on the worker's thread, so the window forwards those calls to its own thread.
// A message (a failed chart allocation) is asked of the Prompter on the worker's thread too.
class SpectrumPage {
  public:
    static constexpr std::string_view kSheetTitle = "Tools ...";
    static constexpr std::string_view kPageTitle = "Spectrum Analyzer";
    static constexpr std::string_view kInstructions =
        "Connect your PC to the data port as shown on the right. \nMake sure to select correct "
        "baud rate on the bottom of the main window.\nClick on \"Scan\" to start.";
    static constexpr std::string_view kScanCaption = "&Scan";
    static constexpr std::string_view kClearCaption = "&Clear";
    static constexpr std::string_view kClearLogCaption = "&Clear Log";
    // Sizes in dialog units.
    static constexpr int kPageWidth = 525;
    static constexpr int kPageHeight = 279;
    static constexpr int kChartWidth = 470;
    static constexpr int kChartHeight = 194;

    // The longest wait for a worker to end when the page stops it.
    static constexpr Millis kStopTimeout{2000};
    // Pause between two scans.
    static constexpr Millis kScanInterval{1000};

    // What the page knows of the radio: the first two are copies of the main window's port
    // settings; the rest starts as a "TAVRIN-A" at link rate 2 and is replaced by what the
    // radio reports.
    struct State {
        std::string portName;
        std::string baudRate;
        std::string modelName = "TAVRIN-A";
        int linkRateIndex = 2;
        ChannelPlan plan;
    };

    // How the last worker run went, for callers that run a fixed number of scans.
    struct RunSummary {
        bool setUp = false;       // got through to scanning
        int scans = 0;            // scans made (one asked again counts once)
        int answers = 0;          // scans that brought a sweep (channel lines)
        int channelsRead = 0;     // channels with at least one reading
        int linesDropped = 0;     // channel lines left out as unreadable
        bool portFailed = false;  // a write did not go out: the scanning ended
    };

    // `parser` is the program's scan position; `clock` times the guard and the pauses.
    SpectrumPage(const PortFactory& ports, const PortSettings& settings, ScanParserState& parser,
                 Clock& clock, Prompter& prompter);
    // Stops the worker like Close.
    ~SpectrumPage();
    SpectrumPage(const SpectrumPage&) = delete;
    SpectrumPage& operator=(const SpectrumPage&) = delete;

    ChartModel& Chart() { return chart_; }
    const ChartModel& Chart() const { return chart_; }
    LogPane& Log() { return log_; }
    const LogPane& Log() const { return log_; }

    State CurrentState() const;

    // The text of the scan button: "&Scan" at first, "Stop" while scanning, "Scan" after.
    std::string ScanButtonText() const;
    // Called with the new text whenever it changes, on the thread that changed it.
    void SetScanButtonListener(std::function<void(const std::string&)> listener);

    // "&Scan": starts the worker when none runs; while one runs ("Stop") stops it, appending
    // " stopped." to the last log line once the scanning has ended.
    void PressScan();
    // "&Clear": the four curves go to the floor and disappear until the next answer.
    void PressClear();
    // "&Clear Log": the log holds the single line " ".
    void PressClearLog();
    // OK, the sheet's close box and the page going away: stops the worker, closes the port.
    void Close();

    bool WorkerRunning() const { return worker_.Running(); }
    // Waits until the worker has ended by itself (for callers that set a scan limit).
    void WaitForWorker() { worker_.Wait(); }

    // Ends the worker after this many scans (0: scan until stopped). Set before PressScan.
    void SetScanLimit(int scans) { scanLimit_ = scans; }
    RunSummary LastRun() const;

  private:
    void Work(std::stop_token stop);
    bool Connect(std::stop_token stop);
    bool Identify(std::stop_token stop);
    // Logs "Read link rate ..." and stores the rate the radio reports; false (logged) when
    // no rate came through.
    bool ReadLinkRate(const std::stop_token& stop);
    // Logs "Retrieve model ..." and stores the model the radio names; false (logged) when no
    // whole answer came through.
    bool ReadModel(const std::stop_token& stop);
    // Logs `title`, sends `command` and collects its answer: nullopt (logged) when the
    // command did not go out, nothing came or a stop came.
    std::optional<std::string> AskCommand(std::string_view title, std::string_view command,
                                          const std::stop_token& stop);
    bool SetUpScreen();
    void ScanLoop(std::stop_token stop);
    void ScanStep(std::stop_token stop);
    bool Stopping(const std::stop_token& stop) const;
    void SetScanButtonText(std::string text);
    void StopWorker();
    // Writes an AT command; on a failed write logs why and returns false.
    bool Send(std::string_view command, bool appendFailed);

    ScanParserState& parser_;
    Clock& clock_;
    Prompter& prompter_;
    ChartModel chart_;
    LogPane log_{0};
    SerialPort port_;

    mutable std::mutex mutex_;
    State state_;
    std::string buttonText_{kScanCaption};
    ListenerSlot<const std::string&> buttonListener_;
    RunSummary lastRun_;
    std::vector<bool> channelRead_;

    enum class Operation { None, Scan };
    std::atomic<Operation> operation_{Operation::None};
    std::atomic<bool> running_{true};
    std::atomic<int> scanLimit_{0};
    // "Stop" was pressed: the worker says " stopped." once its scanning has ended.
    std::atomic<bool> stopPressed_{false};

    // Last, so that it is destroyed first: its destructor waits for the thread that uses
    // everything above.
    DeviceWorker worker_;
};

}  // namespace skelvane
