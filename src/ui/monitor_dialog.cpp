#include "ui/monitor_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "base/format.h"
#include "base/latin1.h"
#include "ui/diag_plot.h"
#include "ui/file_names.h"
#include "ui/log_view.h"
#include "ui/worker_pump.h"

namespace skelvane {
namespace {

constexpr int kFixedColumns = 4;  // UA, name, time, answer

std::size_t ValueIndex(std::string_view name) {
    return static_cast<std::size_t>(
        std::find(kDiagnosticNames.begin(), kDiagnosticNames.end(), name) -
        kDiagnosticNames.begin());
}

const std::size_t kRssi = ValueIndex("DiagRSSI");

// The values in the table's order: what tells how a unit hears first, the counters after.
std::vector<std::size_t> ColumnOrder() {
    std::vector<std::size_t> order;
    for (const char* name : {"DiagRSSI", "DiagVSWR", "DiagVoltage", "DiagTemperature"}) {
        order.push_back(ValueIndex(name));
    }
    for (std::size_t v = 0; v < kDiagnosticNames.size(); ++v) {
        if (std::find(order.begin(), order.end(), v) == order.end()) {
            order.push_back(v);
        }
    }
    return order;
}

QColor UnitColor(std::size_t k) {
    static const QColor colors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                    QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                    QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                    QColor(0xe3, 0x77, 0xc2), QColor(0x17, 0xbe, 0xcf)};
    return colors[k % std::size(colors)];
}

QString TimeText(const LocalTime& t) {
    return QString::fromStdString(Format("%02d:%02d:%02d", t.hour, t.minute, t.second));
}

}  // namespace

RssiPlot::RssiPlot(const MonitorModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QSize RssiPlot::sizeHint() const {
    return {420, 200};
}

void RssiPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const QRect area = rect().adjusted(fm.horizontalAdvance(QStringLiteral("-120")) + 10,
                                       fm.height(), -110, -fm.height() - 6);
    if (area.width() < 20 || area.height() < 20) {
        return;
    }
    // Every unit's answered samples, as (clock time, dBm).
    std::vector<std::vector<std::pair<Millis, double>>> lines;
    Millis first{0};
    Millis last{0};
    double low = 0;
    double high = 0;
    bool any = false;
    for (const MonitorUnit& unit : model_.Units()) {
        auto& line = lines.emplace_back();
        for (const MonitorModel::Sample& s : model_.History(unit.ua)) {
            if (!s.answered || !s.values[kRssi]) {
                continue;
            }
            const double dbm = -static_cast<double>(*s.values[kRssi]);
            line.emplace_back(s.at, dbm);
            first = any ? std::min(first, s.at) : s.at;
            last = any ? std::max(last, s.at) : s.at;
            low = any ? std::min(low, dbm) : dbm;
            high = any ? std::max(high, dbm) : dbm;
            any = true;
        }
    }
    const PlotRange range = niceRange(any ? low : -100, any ? high : -40, 5, 4);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(area);
    p.setPen(palette().color(QPalette::Text));
    for (double v = range.low; v <= range.high + 1e-9; v += range.step) {
        const int y = area.bottom() -
                      static_cast<int>((v - range.low) / (range.high - range.low) * area.height());
        p.drawText(QRect(0, y - fm.height() / 2, area.left() - 4, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    p.drawText(QRect(area.left(), area.bottom() + 3, area.width(), fm.height()), Qt::AlignCenter,
               QStringLiteral("RSSI (dBm) over time"));
    const double span = std::max<double>(static_cast<double>((last - first).count()), 1.0);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const QColor color = UnitColor(k);
        QPainterPath path;
        for (std::size_t i = 0; i < lines[k].size(); ++i) {
            const auto& [at, dbm] = lines[k][i];
            const QPointF point(
                area.left() + static_cast<double>((at - first).count()) / span * area.width(),
                area.bottom() - (dbm - range.low) / (range.high - range.low) * area.height());
            if (i == 0) {
                path.moveTo(point);
            } else {
                path.lineTo(point);
            }
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(point, 2.5, 2.5);
        }
        p.setPen(QPen(color, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        // The legend, right of the chart.
        const int y = area.top() + static_cast<int>(k) * (fm.height() + 2);
        p.fillRect(QRect(area.right() + 8, y + fm.height() / 2 - 2, 12, 4), color);
        p.setPen(palette().color(QPalette::Text));
        const MonitorUnit& unit = model_.Units()[k];
        p.drawText(QPoint(area.right() + 24, y + fm.ascent()),
                   fm.elidedText(QStringLiteral("UA %1 %2")
                                     .arg(unit.ua)
                                     .arg(QString::fromStdString(Latin1ToUtf8(unit.name))),
                                 Qt::ElideRight, 84));
    }
}

MonitorDialog::MonitorDialog(const PortFactory& ports, std::string portName, Clock& clock,
                             std::vector<MonitorUnit> units, QWidget* parent)
    : QDialog(parent),
      model_(std::make_unique<MonitorModel>(ports, std::move(portName), clock)),
      pump_(new WorkerPump([this] { refresh(); }, this)) {
    setWindowTitle(QString::fromLatin1(kTitle));
    model_->SetUnits(std::move(units));

    interval_ = new QSpinBox;
    interval_->setRange(1, 86400);
    interval_->setSuffix(QStringLiteral(" s"));
    interval_->setValue(static_cast<int>(MonitorModel::kDefaultInterval.count() / 1000));
    start_ = new QPushButton(QStringLiteral("&Start"));
    stop_ = new QPushButton(QStringLiteral("S&top"));
    state_ = new QLabel;
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Interval:"));
    label->setBuddy(interval_);
    top->addWidget(label);
    top->addWidget(interval_);
    top->addWidget(start_);
    top->addWidget(stop_);
    top->addWidget(state_, 1);

    table_ = new QTableWidget(0, kFixedColumns + static_cast<int>(kDiagnosticNames.size()));
    QStringList headers{QStringLiteral("UA"), QStringLiteral("Name"), QStringLiteral("Time"),
                        QStringLiteral("Answer")};
    for (const std::size_t v : ColumnOrder()) {
        const std::string_view name = kDiagnosticNames[v];
        headers << QString::fromLatin1(name.substr(4).data(),
                                       static_cast<qsizetype>(name.size() - 4));
    }
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    plot_ = new RssiPlot(*model_);
    log_ = new LogView(model_->Log());
    log_->setMinimumHeight(60);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(table_);
    split->addWidget(plot_);
    split->addWidget(log_);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 2);
    split->setStretchFactor(2, 1);

    export_ = new QPushButton(QStringLiteral("&Export CSV..."));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->addButton(export_, QDialogButtonBox::ActionRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    resize(sizeHint().expandedTo(QSize(760, 560)));

    connect(start_, &QPushButton::clicked, this, &MonitorDialog::start);
    connect(stop_, &QPushButton::clicked, this, [this] {
        model_->Stop();
        refresh();
    });
    connect(export_, &QPushButton::clicked, this, [this] {
        const QString name = QFileDialog::getSaveFileName(
            this, QStringLiteral("Export CSV"), QStringLiteral("monitor.csv"),
            QStringLiteral("CSV Files (*.csv);;All Files (*)"));
        if (!name.isEmpty()) {
            exportTo(toPath(name));
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    model_->SetUpdateListener(pump_->notifier());
    model_->Log().SetListener(
        [notify = pump_->notifier()](LogPane::Event, const std::string&) { notify(); });
    refresh();
}

MonitorDialog::~MonitorDialog() {
    model_->SetUpdateListener(nullptr);
    model_->Log().SetListener(nullptr);
    model_->Stop();
    model_->Wait();
}

bool MonitorDialog::start() {
    const bool started = model_->Start(Millis{1000} * interval_->value());
    refresh();
    return started;
}

bool MonitorDialog::exportTo(const std::filesystem::path& path) {
    if (model_->ExportCsv(path)) {
        return true;
    }
    QMessageBox::warning(this, QString::fromLatin1(kTitle),
                         QStringLiteral("%1 could not be written.").arg(fromPath(path)));
    return false;
}

void MonitorDialog::refresh() {
    const bool busy = model_->Busy();
    const std::vector<MonitorUnit>& units = model_->Units();
    table_->setRowCount(static_cast<int>(units.size()));
    bool anySample = false;
    static const std::vector<std::size_t> order = ColumnOrder();
    for (std::size_t k = 0; k < units.size(); ++k) {
        const int row = static_cast<int>(k);
        const auto set = [&](int column, const QString& text) {
            QTableWidgetItem* item = table_->item(row, column);
            if (item == nullptr) {
                table_->setItem(row, column, item = new QTableWidgetItem);
            }
            item->setText(text);
        };
        set(0, QString::number(units[k].ua));
        set(1, QString::fromStdString(Latin1ToUtf8(units[k].name)));
        const std::optional<MonitorModel::Sample> latest = model_->Latest(units[k].ua);
        anySample = anySample || latest.has_value();
        set(2, latest ? TimeText(latest->time) : QString());
        set(3, !latest            ? QString()
               : latest->answered ? QStringLiteral("answered")
                                  : QStringLiteral("did not answer"));
        for (std::size_t c = 0; c < order.size(); ++c) {
            const std::size_t v = order[c];
            const auto& value = latest ? latest->values[v] : std::nullopt;
            set(kFixedColumns + static_cast<int>(c),
                value ? QString::fromStdString(
                            FormatDiagValue(kDiagnosticNames[v], *value).value_or(""))
                      : QString());
        }
    }
    state_->setText(busy ? QStringLiteral("Polling, pass %1").arg(model_->PassesDone() + 1)
                         : QStringLiteral("%1 passes done").arg(model_->PassesDone()));
    interval_->setEnabled(!busy);
    start_->setEnabled(!busy && !units.empty());
    stop_->setEnabled(busy);
    export_->setEnabled(anySample);
    plot_->update();
    log_->sync();
}

void MonitorDialog::done(int result) {
    model_->Stop();
    refresh();
    QDialog::done(result);
}

}  // namespace skelvane
