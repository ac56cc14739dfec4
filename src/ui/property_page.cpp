#include "ui/property_page.h"

#include "ui/worker_pump.h"

namespace skelvane {

PropertyPage::PropertyPage(QWidget* parent)
    : QWidget(parent), pump_(std::make_unique<WorkerPump>([this] { updateFromWorker(); })) {}

PropertyPage::~PropertyPage() = default;

}  // namespace skelvane
