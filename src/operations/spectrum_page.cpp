#include "operations/spectrum_page.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/decimal.h"
#include "base/format.h"
#include "base/operation_summary.h"
#include "spectrum/at_exchange.h"
#include "spectrum/spectrum_chart.h"

namespace skelvane {
namespace {

// The link-rate answer is read from at most this many characters.
constexpr std::size_t kLinkRateDigits = 19;
// A link rate or a sweep that did not come through is asked for this many more times.
constexpr int kRetries = 2;

// The rate in a link-rate answer: a line of digits before the "OK".
std::optional<int> ParseLinkRate(std::string_view answer, std::string* why) {
    if (!AnswerHasOk(answer)) {
        *why = "Link rate: the answer holds no OK!";
        return std::nullopt;
    }
    const std::string line = AnswerLine(answer, kReadLinkRate, kLinkRateDigits);
    if (line.empty() || line.size() > 9 ||
        !std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        *why = "Link rate: the answer is no number!";
        return std::nullopt;
    }
    return ParseInt32(line);
}

}  // namespace

SpectrumPage::SpectrumPage(const PortFactory& ports, const PortSettings& settings,
                           ScanParserState& parser, Clock& clock, Prompter& prompter)
    : parser_(parser), clock_(clock), prompter_(prompter), port_(ports) {
    state_.portName = settings.portName;
    state_.baudRate = settings.baudRate;
}

SpectrumPage::~SpectrumPage() {
    Close();
}

SpectrumPage::State SpectrumPage::CurrentState() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::string SpectrumPage::ScanButtonText() const {
    std::lock_guard lock(mutex_);
    return buttonText_;
}

void SpectrumPage::SetScanButtonListener(std::function<void(const std::string&)> listener) {
    buttonListener_.Set(std::move(listener));
}

void SpectrumPage::SetScanButtonText(std::string text) {
    {
        std::lock_guard lock(mutex_);
        if (buttonText_ == text) {
            return;
        }
        buttonText_ = text;
    }
    buttonListener_(text);
}

SpectrumPage::RunSummary SpectrumPage::LastRun() const {
    std::lock_guard lock(mutex_);
    return lastRun_;
}

void SpectrumPage::PressScan() {
    if (!worker_.Running()) {
        running_ = true;
        operation_ = Operation::Scan;
        worker_.Start([this](std::stop_token stop) { Work(std::move(stop)); });
        return;
    }
    operation_ = Operation::None;
    running_ = false;
    stopPressed_ = true;
    StopWorker();
    SetScanButtonText("Scan");
}

void SpectrumPage::Close() {
    operation_ = Operation::None;
    running_ = false;
    StopWorker();
}

// The worker's waits all honour its stop token, so it ends well within the timeout. Should
// it not, the port stays with it: the worker closes the port itself on its way out.
void SpectrumPage::StopWorker() {
    if (worker_.Finish(kStopTimeout) && port_.IsOpen()) {
        port_.Close();
    }
}

void SpectrumPage::PressClear() {
    ClearSpectrumChart(chart_, CurrentState().plan);
}

void SpectrumPage::PressClearLog() {
    log_.Clear();
}

bool SpectrumPage::Stopping(const std::stop_token& stop) const {
    return stop.stop_requested() || !running_;
}

void SpectrumPage::Work(std::stop_token stop) {
    {
        std::lock_guard lock(mutex_);
        lastRun_ = RunSummary{};
        channelRead_.clear();
    }
    stopPressed_ = false;
    log_.BeginOperation(clock_.Now());
    log_.Line(" ", true);
    port_.SetStopToken(stop);
    if (port_.IsOpen()) {
        port_.Close();
    } else if (!CurrentState().portName.empty() && Connect(stop) && Identify(stop) &&
               SetUpScreen()) {
        ScanLoop(stop);
    }
    // Only now has the scanning really stopped.
    if (stopPressed_.exchange(false)) {
        log_.Line(" stopped.", false, true);
    }
    SetScanButtonText("Scan");
    port_.Close();
    const RunSummary run = LastRun();
    if (CurrentState().portName.empty()) {
        return;  // nothing was tried
    }
    log_.EndOperation("Spectrum scan", clock_.Now(), !run.setUp || run.portFailed,
                      Format("%d channels read in %d scans", run.channelsRead, run.scans));
}

bool SpectrumPage::Send(std::string_view command, bool appendFailed) {
    std::string failure;
    if (SendAtCommand(port_, command, &failure)) {
        return true;
    }
    if (!port_.StopToken().stop_requested()) {
        if (appendFailed) {
            log_.Line("Failed.", false, true);
        }
        log_.Line(failure, true);
        std::lock_guard lock(mutex_);
        lastRun_.portFailed = true;
    }
    return false;
}

bool SpectrumPage::Connect(std::stop_token stop) {
    const State state = CurrentState();
    log_.Line("Opening serial port ", true);
    log_.Line(state.portName, false, true);
    if (!port_.Open(state.portName)) {
        log_.Line(" ... failed.", false, true);
        if (!port_.OpenFailureHint().empty()) {
            log_.Line(port_.OpenFailureHint(), true);
        }
        return false;
    }
    port_.Purge();
    log_.Line(" ... done.", false, true);

    log_.Line("Changing baud rate to ", true);
    log_.Line(state.baudRate, false, true);
    if (!port_.SetBaudRate(ParseUint32(state.baudRate))) {
        log_.Line("Failed.", false, true);
        return false;
    }
    log_.Line(" passed.", false, true);
    SetScanButtonText("Stop");

    log_.Line("Test command mode ...", true);
    std::string failure;
    const bool commandMode = EnterCommandMode(port_, clock_, stop, &failure);
    if (Stopping(stop)) {
        return false;
    }
    log_.Line(commandMode ? " done." : "Failed.", false, true);
    if (!failure.empty()) {
        log_.Line(failure, true);
        std::lock_guard lock(mutex_);
        lastRun_.portFailed = true;
    }
    return commandMode;
}

// The caller judges the answer: whether it holds "OK" and what it says.
std::optional<std::string> SpectrumPage::AskCommand(std::string_view title,
                                                    std::string_view command,
                                                    const std::stop_token& stop) {
    log_.Line(title, true);
    if (!Send(command, true)) {
        return std::nullopt;
    }
    std::string answer = CollectAnswer(port_, kCommandAnswer);
    if (Stopping(stop)) {
        return std::nullopt;
    }
    if (answer.empty()) {
        log_.Line("Failed.", false, true);
        return std::nullopt;
    }
    log_.Line(" done.", false, true);
    return answer;
}

// The link rate chooses the channel plan, and a digit garbled on its way still reads as a
// rate: it is read twice and taken only when both readings agree. A try that gives no rate
// is made again, up to kRetries times; then the step fails, since scanning with a rate the
// radio never reported would draw the wrong channels.
bool SpectrumPage::ReadLinkRate(const std::stop_token& stop) {
    log_.Line("Read link rate ...", true);
    for (int attempt = 0; attempt <= kRetries; ++attempt) {
        if (attempt > 0) {
            log_.Line(OperationSummary::AskingAgain(attempt, kRetries), true);
        }
        std::optional<int> readings[2];
        std::string why = "Link rate: no answer!";
        for (std::optional<int>& reading : readings) {
            if (!Send(kReadLinkRate, true)) {
                return false;
            }
            const std::string answer = CollectAnswer(port_, kCommandAnswer);
            if (Stopping(stop)) {
                return false;
            }
            if (answer.empty() || !(reading = ParseLinkRate(answer, &why))) {
                break;
            }
        }
        if (readings[1] && *readings[0] == *readings[1]) {
            log_.Line(" done.", false, true);
            std::lock_guard lock(mutex_);
            state_.linkRateIndex = *readings[0];
            return true;
        }
        log_.Line(readings[1] ? "Link rate: the two readings differ!" : why, true);
    }
    log_.Line("Read link rate failed.", true);
    return false;
}

bool SpectrumPage::Identify(std::stop_token stop) {
    if (!ReadLinkRate(stop)) {
        return false;
    }
    return ReadModel(stop);
}

// The model chooses the band. An answer cut before its "OK" may hold only part of the name,
// and keeping the model the page had would chart another radio's channels: such a try is made
// again, up to kRetries times, and then the step fails. A garbled name that still ends in "OK"
// is caught by the chart's set-up, which knows every model.
bool SpectrumPage::ReadModel(const std::stop_token& stop) {
    for (int attempt = 0; attempt <= kRetries; ++attempt) {
        if (attempt > 0) {
            log_.Line(OperationSummary::AskingAgain(attempt, kRetries), true);
        }
        const std::optional<std::string> model = AskCommand("Retrieve model ...", kReadModel, stop);
        if (!model) {
            return false;
        }
        if (AnswerHasOk(*model)) {
            std::string name = AnswerLine(*model, kReadModel);
            std::lock_guard lock(mutex_);
            state_.modelName = std::move(name);
            return true;
        }
        log_.Line("Model: the answer holds no OK!", true);
    }
    log_.Line("Retrieve model failed.", true);
    return false;
}

bool SpectrumPage::SetUpScreen() {
    log_.Line("Setup screen ...", true);
    State state = CurrentState();
    const std::optional<ChannelPlan> plan =
        LookUpChannelPlan(state.modelName, state.linkRateIndex, state.plan.spacingKhz);
    if (!plan) {
        log_.Line("Failed.", false, true);
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        state_.plan = *plan;
    }
    if (!SetUpSpectrumChart(chart_, *plan, prompter_)) {
        log_.Line("Failed.", false, true);
        return false;
    }
    log_.Line("Model: ", true);
    log_.Line(state.modelName, false, true);
    log_.Line("Scanning ...", true);
    return true;
}

void SpectrumPage::ScanLoop(std::stop_token stop) {
    {
        std::lock_guard lock(mutex_);
        lastRun_.setUp = true;
    }
    while (operation_ == Operation::Scan) {
        ScanStep(stop);
        if (Stopping(stop)) {
            return;
        }
        const int limit = scanLimit_;
        if (limit > 0 && LastRun().scans >= limit) {
            return;
        }
        if (!clock_.SleepFor(kScanInterval, stop) || Stopping(stop)) {
            return;
        }
    }
}

void SpectrumPage::ScanStep(std::stop_token stop) {
    const ChannelPlan plan = CurrentState().plan;
    std::string answer;
    ScanPosition position;
    std::vector<ChannelReading> readings;
    int dropped = 0;
    bool swept = false;  // the answer held channel lines
    for (int attempt = 0;; ++attempt) {
        if (!Send(kScan, false)) {
            operation_ = Operation::None;
            running_ = false;
            return;
        }
        answer = CollectAnswer(port_, kScanAnswer);
        // An answer cut short by the user's stop is not the radio's; it is left unread.
        if (Stopping(stop)) {
            break;
        }
        position = parser_.Get();
        dropped = 0;
        readings = ParseScanAnswer(answer, position, plan, &dropped);
        // A command lost or garbled on its way brings nothing, "ERROR", a bare "OK" or its
        // echo alone: no sweep was made, so it is asked for again instead of being counted
        // as one.
        swept = !readings.empty() || dropped > 0;
        if (swept || attempt == kRetries) {
            break;
        }
        log_.Line(answer.empty() ? "No answer to ATg!" : "The answer to ATg holds no channel line!",
                  true);
        log_.Line(OperationSummary::AskingAgain(attempt + 1, kRetries), true);
    }
    {
        std::lock_guard lock(mutex_);
        ++lastRun_.scans;
    }
    if (answer.empty() || Stopping(stop)) {
        return;
    }
    parser_.Set(position);
    {
        std::lock_guard lock(mutex_);
        if (swept) {
            ++lastRun_.answers;
        }
        lastRun_.linesDropped += dropped;
        channelRead_.resize(static_cast<std::size_t>(std::max(plan.channelCount, 0)));
        for (const ChannelReading& reading : readings) {
            const auto index = static_cast<std::size_t>(reading.channel - 1);
            if (index < channelRead_.size() && !channelRead_[index]) {
                channelRead_[index] = true;
                ++lastRun_.channelsRead;
            }
        }
    }
    if (dropped > 0) {
        log_.Line(
            Format("%d channel lines of this sweep could not be read and were left out.", dropped),
            true);
    }
    ApplyReadings(chart_, readings);
    chart_.Redraw();
}

}  // namespace skelvane
