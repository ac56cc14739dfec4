#include "ui/zone_preset_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/prompter.h"
#include "ui/qt_prompter.h"

namespace skelvane {

namespace {

constexpr int kColumnWidth = 72;
constexpr int kStripMargin = 2;

}  // namespace

ZoneStrip::ZoneStrip(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QSize ZoneStrip::sizeHint() const {
    const int line = fontMetrics().height();
    return QSize(kZoneCount * kColumnWidth, 2 * line + 12);
}

QSize ZoneStrip::minimumSizeHint() const {
    const int label = fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 6;
    return QSize(kZoneCount * label, sizeHint().height());
}

void ZoneStrip::setSelectedZone(int zone) {
    if (zone >= 0 && zone < kZoneCount && zone != selected_) {
        selected_ = zone;
        update();
    }
}

QRect ZoneStrip::zoneRect(int zone) const {
    const int inner = width() - 2 * kStripMargin;
    const int left = kStripMargin + inner * zone / kZoneCount;
    const int right = kStripMargin + inner * (zone + 1) / kZoneCount;
    return QRect(left, kStripMargin, right - left, height() - 2 * kStripMargin);
}

void ZoneStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    const auto& zones = ZonePatterns();
    for (int zone = 0; zone < kZoneCount; ++zone) {
        const QRect r = zoneRect(zone);
        const bool selected = zone == selected_;
        // Alternate shades tell the columns apart; the selected zone stands out.
        const QColor fill = selected
                                ? pal.color(QPalette::Highlight)
                                : (zone % 2 == 0 ? QColor(226, 236, 248) : QColor(206, 222, 242));
        p.fillRect(r, fill);
        p.setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
        const QRect upper(r.left(), r.top(), r.width(), r.height() / 2);
        const QRect lower(r.left(), r.top() + r.height() / 2, r.width(),
                          r.height() - r.height() / 2);
        const ZonePattern& z = zones[static_cast<std::size_t>(zone)];
        p.drawText(upper, Qt::AlignCenter, QString::number(z.keepLowKhz));
        p.drawText(lower, Qt::AlignCenter, QString::number(z.keepHighKhz));
    }
    p.setPen(pal.color(QPalette::Mid));
    for (int zone = 1; zone < kZoneCount; ++zone) {
        const int x = zoneRect(zone).left();
        p.drawLine(x, kStripMargin, x, height() - kStripMargin - 1);
    }
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(kStripMargin - 1, kStripMargin - 1, -kStripMargin, -kStripMargin));
}

void ZoneStrip::mousePressEvent(QMouseEvent* event) {
    for (int zone = 0; zone < kZoneCount; ++zone) {
        if (zoneRect(zone).contains(event->position().toPoint())) {
            emit zoneClicked(zone);
            return;
        }
    }
    QWidget::mousePressEvent(event);
}

ZonePresetDialog::ZonePresetDialog(Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
    setWindowTitle(QStringLiteral("Preset Freq. Restrictions"));

    ua_ = new QLineEdit(fromLatin1(model_.UaText()), this);
    // A number box: digits only, as the restricted UA is a plain number.
    ua_->setValidator(new QIntValidator(-999999, 999999, ua_));
    ua_->setMaximumWidth(ua_->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* uaLabel = new QLabel(QStringLiteral("Restricted UA:"), this);
    uaLabel->setBuddy(ua_);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(0);
    auto* group = new QButtonGroup(this);
    const auto& patterns = ZonePatterns();
    for (int zone = 0; zone < kZoneCount; ++zone) {
        auto* button =
            new QRadioButton(fromLatin1(patterns[static_cast<std::size_t>(zone)].button), this);
        group->addButton(button, zone);
        zones_.push_back(button);
        grid->addWidget(button, 0, zone, Qt::AlignHCenter);
        grid->setColumnStretch(zone, 1);
    }
    strip_ = new ZoneStrip(this);
    grid->addWidget(strip_, 1, 0, 1, kZoneCount);
    connect(group, &QButtonGroup::idClicked, this, &ZonePresetDialog::selectZone);
    connect(strip_, &ZoneStrip::zoneClicked, this, &ZonePresetDialog::selectZone);
    selectZone(model_.SelectedZone());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ZonePresetDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ZonePresetDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(uaLabel);
    top->addWidget(ua_);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void ZonePresetDialog::selectZone(int zone) {
    model_.SelectZone(zone);
    const int selected = model_.SelectedZone();
    zones_[static_cast<std::size_t>(selected)]->setChecked(true);
    strip_->setSelectedZone(selected);
}

void ZonePresetDialog::accept() {
    model_.SetUaText(toLatin1(ua_->text()));
    if (!model_.Ok(prompter_)) {
        if (model_.UaNeedsFocus()) {
            ua_->setFocus();
            ua_->selectAll();
        }
        return;
    }
    QDialog::accept();
}

// GCC 12 at -O3 wrongly sees an overlapping copy in the one-character assignment inlined from
// the model's Cancel().
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
void ZonePresetDialog::reject() {
    model_.Cancel();
    QDialog::reject();
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace skelvane
