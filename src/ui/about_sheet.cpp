#include "ui/about_sheet.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

#include "ui/icons.h"

namespace skelvane {

CableWiring diagnosticCable() {
    return {QStringLiteral("Diagnostic Cable Diagram"),
            {{2, 2, "RxD"}, {3, 3, "TxD"}, {5, 5, "GND"}}};
}

CableWiring programmingCable() {
    return {QStringLiteral("Programming Cable Diagram"),
            {{1, 4, "DTR"}, {4, 3, "TxD"}, {5, 5, "GND"}, {6, 2, "RxD"}, {8, 7, "RTS"}}};
}

namespace {

constexpr int kPlugPins = 8;
constexpr int kSocketPins = 9;
constexpr int kPinPitch = 22;
constexpr int kTop = 64;

const std::array<QColor, 5> kWireColors{QColor(200, 40, 40), QColor(30, 120, 200),
                                        QColor(40, 40, 40), QColor(40, 150, 60),
                                        QColor(200, 120, 0)};

int plugPinY(int pin) {
    return kTop + 16 + (pin - 1) * kPinPitch;
}

int socketPinY(int pin) {
    return kTop + 6 + (pin - 1) * kPinPitch;
}

}  // namespace

CableDiagram::CableDiagram(CableWiring wiring, QWidget* parent)
    : QWidget(parent), wiring_(std::move(wiring)) {
    setMinimumSize(sizeHint());
}

QSize CableDiagram::sizeHint() const {
    return QSize(520, kTop + kSocketPins * kPinPitch + 40);
}

void CableDiagram::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const QColor ink(40, 40, 40);

    QFont captionFont = font();
    captionFont.setBold(true);
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.2);
    p.setFont(captionFont);
    p.setPen(ink);
    p.drawText(QRect(0, 8, width(), 24), Qt::AlignHCenter | Qt::AlignVCenter, wiring_.caption);
    p.setFont(font());

    // The plug at the unit: a body with its eight contacts along the cable side.
    const int plugLeft = 30;
    const int plugRight = 110;
    const QRect plug(plugLeft, plugPinY(1) - 16, plugRight - plugLeft,
                     plugPinY(kPlugPins) - plugPinY(1) + 32);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(QColor(235, 235, 225));
    p.drawRoundedRect(plug, 4, 4);
    p.setBrush(QColor(230, 190, 60));
    for (int pin = 1; pin <= kPlugPins; ++pin) {
        const int y = plugPinY(pin);
        p.setPen(QPen(ink, 1));
        p.drawRect(QRect(plugRight - 20, y - 4, 14, 8));
        p.drawText(QRect(plugLeft + 6, y - 9, 40, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(pin));
    }
    p.drawText(QRect(plugLeft - 20, plug.bottom() + 6, plug.width() + 40, 18), Qt::AlignCenter,
               QStringLiteral("RJ-45 (unit)"));

    // The socket at the PC: the D-shaped shell, contacts 1 to 9.
    const int sockLeft = width() - 150;
    const int sockRight = width() - 60;
    const int sockTop = socketPinY(1) - 16;
    const int sockBottom = socketPinY(kSocketPins) + 16;
    QPainterPath shell;
    shell.moveTo(sockLeft, sockTop);
    shell.lineTo(sockRight, sockTop + 14);
    shell.lineTo(sockRight, sockBottom - 14);
    shell.lineTo(sockLeft, sockBottom);
    shell.closeSubpath();
    p.setPen(QPen(ink, 1.5));
    p.setBrush(QColor(220, 225, 235));
    p.drawPath(shell);
    for (int pin = 1; pin <= kSocketPins; ++pin) {
        const int y = socketPinY(pin);
        p.setPen(QPen(ink, 1));
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(sockLeft + 14, y), 5, 5);
        p.drawText(QRect(sockLeft + 26, y - 9, 40, 18), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::number(pin));
    }
    p.drawText(QRect(sockLeft - 30, sockBottom + 6, sockRight - sockLeft + 60, 18), Qt::AlignCenter,
               QStringLiteral("D-sub 9 female (PC)"));

    // The wires, each in a lane of its own between the two connectors, labelled with the
    // signal next to the socket.
    const int laneLeft = plugRight + 40;
    const int laneRight = sockLeft - 70;
    const int lanes = static_cast<int>(wiring_.wires.size());
    for (int i = 0; i < lanes; ++i) {
        const CableWire& wire = wiring_.wires[static_cast<std::size_t>(i)];
        const QColor color = kWireColors[static_cast<std::size_t>(i) % kWireColors.size()];
        const int x = lanes > 1 ? laneLeft + (laneRight - laneLeft) * i / (lanes - 1)
                                : (laneLeft + laneRight) / 2;
        const QPoint from(plugRight - 6, plugPinY(wire.plugPin));
        const QPoint to(sockLeft + 9, socketPinY(wire.socketPin));
        QPainterPath path;
        path.moveTo(from);
        path.lineTo(x, from.y());
        path.lineTo(x, to.y());
        path.lineTo(to);
        p.setPen(QPen(color, 2.2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setBrush(color);
        p.drawEllipse(from, 2, 2);
        p.drawEllipse(to, 2, 2);
        p.setPen(color.darker(120));
        p.drawText(QRect(laneRight + 6, to.y() - 16, 60, 14), Qt::AlignLeft | Qt::AlignBottom,
                   QString::fromLatin1(wire.signal));
    }
}

AboutSheet::AboutSheet(QWidget* parent) : QDialog(parent), pages_(new QTabWidget(this)) {
    setWindowTitle(QStringLiteral("Help ..."));

    auto* about = new QWidget;
    auto* aboutLayout = new QVBoxLayout(about);
    auto* logo = new QLabel;
    logo->setPixmap(blockIcon(0).scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto* name = new QLabel(QStringLiteral("Skelvane"));
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    auto* version = new QLabel(QStringLiteral("Version: " SKELVANE_VERSION_TEXT));
    auto* line =
        new QLabel(QStringLiteral("Configures networks of spread-spectrum serial radio "
                                  "modems."));
    line->setWordWrap(true);
    for (QLabel* label : {logo, name, version, line}) {
        label->setAlignment(Qt::AlignHCenter);
        aboutLayout->addWidget(label);
    }
    aboutLayout->addStretch();

    pages_->addTab(about, QStringLiteral("About"));
    pages_->addTab(new CableDiagram(diagnosticCable()), QStringLiteral("Diagnostic Cable"));
    pages_->addTab(new CableDiagram(programmingCable()), QStringLiteral("Program Cable"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_);
    layout->addWidget(buttons);
}

}  // namespace skelvane
