#include "device_harness.h"

#include <QApplication>
#include <QTimer>
#include <filesystem>

#include "document/parameter_sets.h"
#include "sim/template_network.h"

namespace skelvane::test {

FastClock::FastClock(int factor) : factor_(factor), start_(std::chrono::steady_clock::now()) {}

Millis FastClock::Now() const {
    const auto real = std::chrono::steady_clock::now() - start_;
    return Millis{std::chrono::duration_cast<std::chrono::microseconds>(real).count() * factor_ /
                  1000};
}

bool FastClock::SleepFor(Millis duration, std::stop_token stop) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::microseconds(duration.count() * 1000 / factor_);
    std::unique_lock lock(mutex_);
    // Nobody notifies: the wait ends at the deadline or at a stop request.
    wake_.wait_until(lock, stop, until, [] { return false; });
    return !stop.stop_requested();
}

LocalTime FastClock::LocalNow() const {
    return FromEpochMillis(ToEpochMillis(LocalTime{2026, 1, 1, 12, 0, 0, 0}) + Now().count());
}

DeviceBench::DeviceBench() {
    network = sim::MakeDefaultNetwork(clock, note);
    hub.Add("SIM1", network);
    RecordingPrompter quiet;
    templates.Read(sim::FindDefaultTemplate(), quiet);
    document.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
}

DeviceBench::~DeviceBench() = default;

Block* DeviceBench::addBlock(BlockKind kind, std::uint32_t unitAddress) {
    Block* block = document.Root()->AppendChild(CreateBlock(static_cast<int>(kind)));
    CopyTemplateParameters(*block, templates);
    if (Parameter* ua = block->FindParameter("UnitAddress")) {
        ua->value = unitAddress;
    }
    return block;
}

PropertiesContext DeviceBench::context(Block& block, const std::string& port) {
    return PropertiesContext{block, port, facts, remoteUa, restrictions, prompter, clock};
}

int threadCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

QObject* onNextModal(std::function<void(QWidget*)> answer) {
    // Polls until the modal window is up, then answers once.
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            answer(w);
        }
    });
    timer->start(10);
    return timer;
}

}  // namespace skelvane::test
