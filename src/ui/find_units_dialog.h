#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "operations/discovery_model.h"
#include "ui/run_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace skelvane {

class Block;
class PortFactory;
class WorkerPump;

// "Find Units": the addresses to ask, Start and Stop, the progress with the time left, the
// units that answered (those the network has already marked) and "Add to Network". A thin
// view over DiscoveryModel.
class FindUnitsDialog : public RunDialog {
    Q_OBJECT

  public:
    static constexpr const char* kTitle = "Find Units";
    // Adds the units the network lacks; returns how many blocks were made.
    using AddUnits = std::function<std::size_t(const std::vector<FoundUnit>&)>;

    // `network`: the root of the user's network, read for the units it has.
    FindUnitsDialog(const PortFactory& ports, std::string portName, Clock& clock,
                    const Block* network, AddUnits addUnits, QWidget* parent = nullptr);
    // Stops a running scan first.
    ~FindUnitsDialog() override;

    DiscoveryModel& model() { return *model_; }
    QLineEdit* rangeEdit() const { return range_; }
    QPushButton* addButton() const { return add_; }
    QTreeWidget* list() const { return list_; }

    // Starts a scan of the range field's addresses; false (with the reason shown under the
    // field) when it cannot.
    bool start();
    void addToNetwork();

    void done(int result) override;

  private:
    bool inNetwork(std::uint16_t ua) const;
    void refresh();

    std::unique_ptr<DiscoveryModel> model_;
    const Block* network_;
    AddUnits addUnits_;
    WorkerPump* pump_;
    QLineEdit* range_;
    QLabel* rangeError_;
    QPushButton* add_;
    QTreeWidget* list_;
};

}  // namespace skelvane
