#include "ui/port_bar.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/qt_prompter.h"

namespace skelvane {

namespace {

// Selects the entry whose text equals `text` exactly; none when there is no such entry.
void selectText(QComboBox* box, const std::string& text) {
    box->setCurrentIndex(
        box->findText(fromLatin1(text), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

}  // namespace

void RefreshingComboBox::showPopup() {
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

PortBar::PortBar(PortSettings& settings, const PortFactory& factory, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      factory_(factory),
      port_(new RefreshingComboBox(this)),
      baud_(new QComboBox(this)),
      format_(new QComboBox(this)),
      flow_(new QComboBox(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Serial Port:"), this));
    for (QComboBox* box : {static_cast<QComboBox*>(port_), baud_, format_, flow_}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        layout->addWidget(box);
    }
    port_->setObjectName(QStringLiteral("PortName"));
    baud_->setObjectName(QStringLiteral("BaudRate"));
    format_->setObjectName(QStringLiteral("DataFormat"));
    flow_->setObjectName(QStringLiteral("FlowControl"));
    port_->setMinimumContentsLength(8);

    const std::vector<std::string> rates = BaudRateTexts();
    for (std::size_t i = 0; i < rates.size(); ++i) {
        baud_->addItem(fromLatin1(rates[i]), kBaudRates[i]);
    }
    for (const SelectorItem& item : kDataFormats) {
        format_->addItem(fromLatin1(item.text), item.data);
    }
    for (const SelectorItem& item : kFlowControls) {
        flow_->addItem(fromLatin1(item.text), item.data);
    }
    selectText(baud_, settings_.baudRate);
    selectText(format_, settings_.dataFormat);
    selectText(flow_, settings_.flowControl);
    refreshPorts();

    // The user's picks only (activated), not the program's own selections.
    connect(port_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < ports_.size()) {
            // The in-use mark belongs to the list, not to the port's name.
            settings_.portName = ports_[static_cast<std::size_t>(index)].portName;
        }
    });
    connect(baud_, &QComboBox::activated, this,
            [this](int) { settings_.baudRate = toLatin1(baud_->currentText()); });
    connect(format_, &QComboBox::activated, this,
            [this](int) { settings_.dataFormat = toLatin1(format_->currentText()); });
    connect(flow_, &QComboBox::activated, this,
            [this](int) { settings_.flowControl = toLatin1(flow_->currentText()); });
    connect(port_, &RefreshingComboBox::aboutToShowPopup, this, &PortBar::refreshPorts);
}

void PortBar::fillPorts(const std::vector<PortListEntry>& ports) {
    ports_ = ports;
    const QSignalBlocker quiet(port_);
    port_->clear();
    for (const PortListEntry& entry : ports_) {
        port_->addItem(fromLatin1(entry.text), entry.itemData);
    }
    port_->setCurrentIndex(FindPortEntry(ports_, settings_.portName));
}

void PortBar::refreshPorts() {
    fillPorts(DiscoverPorts(factory_));
}

}  // namespace skelvane
