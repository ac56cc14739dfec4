#include "device_harness.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "document/parameter_sets.h"
#include "link/device_worker.h"
#include "sim/at_command_port.h"
#include "sim/template_network.h"
#include "ui/log_view.h"
#include "ui/property_page.h"
#include "ui/qt_prompter.h"
#include "ui/worker_pump.h"

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

namespace {

std::unique_ptr<Clock> clockFor(DeviceBench::Time time) {
    switch (time) {
        case DeviceBench::Time::Fast:
            return std::make_unique<FastClock>();
        case DeviceBench::Time::Virtual:
            return std::make_unique<VirtualClock>();
        case DeviceBench::Time::Real:
            break;
    }
    return std::make_unique<SystemClock>();
}

}  // namespace

DeviceBench::DeviceBench(Time time) : ownClock(clockFor(time)), clock(*ownClock) {
    network = sim::MakeDefaultNetwork(clock, note);
    hub.Add("SIM1", network);
    SetTrafficShown(true);
    RecordingPrompter quiet;
    templates.Read(sim::FindDefaultTemplate(), quiet);
    document.SetRoot(CreateBlock(static_cast<int>(BlockKind::Network)));
}

DeviceBench::~DeviceBench() = default;

void DeviceBench::giveDataPort() {
    sim::AtCommandOptions options;
    options.model = "TAVRIN-A";
    options.cutAnswerChance = 0;
    sim::InstallAtCommandSide(*network, options);
}

PortSettings DeviceBench::settings() const {
    PortSettings s;
    s.portName = "SIM1";
    s.baudRate = "115200";
    return s;
}

Block* DeviceBench::addBlock(BlockKind kind, std::uint32_t unitAddress, const char* name) {
    Block* block = document.Root()->AppendChild(CreateBlock(static_cast<int>(kind)));
    CopyTemplateParameters(*block, templates);
    if (Parameter* ua = block->FindParameter("UnitAddress")) {
        ua->value = unitAddress;
    }
    if (name != nullptr) {
        block->SetName(name);
    }
    return block;
}

PropertiesContext DeviceBench::context(Block& block, const std::string& port) {
    return PropertiesContext{block, ports, port, facts, remoteUa, restrictions, prompter, clock};
}

std::unique_ptr<PropertiesSheet> DeviceBench::openSheet(Block& block, int page) {
    auto sheet = std::make_unique<PropertiesSheet>(context(block));
    sheet->show();
    if (!QTest::qWaitForWindowExposed(sheet.get())) {
        qWarning("the property sheet was not exposed");
    }
    sheet->showPage(page);
    return sheet;
}

QStringList paneLines(const LogPane& pane) {
    QStringList lines;
    for (const std::string& line : pane.Lines()) {
        lines << fromLatin1(line);
    }
    return lines;
}

int countColour(const QImage& image, const QRect& area, QColor colour) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            n += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

void settle(PropertyPage* page) {
    // A worker has posted its last news once its work, finished call included, has ended.
    QTRY_VERIFY_WITH_TIMEOUT(!page->busy() && DeviceWorker::RunningWorks() == 0, kLong);
    QTRY_VERIFY(page->pump().settled());
}

void clickAndWait(QPushButton* button, PropertyPage* page) {
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
    settle(page);
}

void commitEdit(QTableWidget* table, int row, int column, const QString& text, int index) {
    QVERIFY(row >= 0);
    table->setCurrentCell(row, column);
    table->edit(table->model()->index(row, column));
    QWidget* editor = table->viewport()->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (QWidget* focus = QApplication::focusWidget();
        focus != nullptr && table->viewport()->isAncestorOf(focus)) {
        editor = focus;
    }
    QVERIFY(editor != nullptr);
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    } else {
        auto* line = qobject_cast<QLineEdit*>(editor);
        QVERIFY(line != nullptr);
        line->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(line, Qt::Key_Delete);
        } else {
            QTest::keyClicks(line, text);
        }
        QTest::keyClick(line, Qt::Key_Return);
        QTRY_VERIFY(table->viewport()->findChild<QLineEdit*>() == nullptr);
    }
    // The pages judge an edit through a queued call: deliver it.
    QCoreApplication::sendPostedEvents();
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

bool opensModal(const std::function<void()>& command,
                const std::function<void(QWidget*)>& inspect) {
    bool seen = false;
    QObject* watcher = onNextModal([&](QWidget* w) {
        seen = true;
        inspect(w);
        w->close();
    });
    command();
    if (!seen) {
        delete watcher;
    }
    return seen;
}

}  // namespace skelvane::test
