#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/prompter.h"
#include "operations/network_check.h"
#include "operations/network_model.h"
#include "ui/run_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace skelvane {

class Block;
class NetworkBackupModel;
class NetworkCompareModel;
class NetworkRestoreModel;
class PortFactory;
class WorkerPump;

// What a network dialog does with the ticked units.
enum class NetworkTask {
    Read,     // "Read Network...": each unit read into its block
    Compare,  // "Compare Network...": each unit read aside and what differs listed
    Write,    // "Write Network...": each unit written from its block, then read back
};

// The dialog of the network-wide commands: the radio blocks with check boxes and a status
// each, the block on the cable, Start and Stop, the progress with the time left and the log.
// Compare adds the differences with buttons to take the unit's values into the file; Write
// adds "Changed only" and asks before it writes. A thin view over the operations' models:
// what the worker changes reaches the widgets on the GUI thread through a WorkerPump.
class NetworkDialog : public RunDialog {
    Q_OBJECT

  public:
    NetworkDialog(NetworkTask task, Block& root, const PortFactory& ports, std::string portName,
                  Prompter& prompter, Clock& clock, QWidget* parent = nullptr);
    // Stops a running worker first.
    ~NetworkDialog() override;

    // One unit instead of the network (the Settings page's "Compare with Unit").
    void useSingleUnit(Block& block, bool local, std::uint16_t ua);
    // Called whenever blocks of the document were changed (read into, or a unit's value
    // taken): the owner marks the document modified.
    void setChangedListener(std::function<void()> changed) { changed_ = std::move(changed); }

    NetworkModel& model() { return *model_; }
    QTreeWidget* unitList() const { return units_; }
    QComboBox* cableBox() const { return cable_; }
    QCheckBox* changedOnlyBox() const { return changedOnly_; }
    QTreeWidget* differences() const { return differences_; }
    QLabel* differencesNote() const { return differencesNote_; }
    QPushButton* takeButton() const { return take_; }
    QPushButton* takeAllButton() const { return takeAll_; }
    // True while a run goes on (planning, the question before writing and writing count as one).
    bool running() const { return phase_ != Phase::Idle; }

    void done(int result) override;

  private:
    enum class Phase { Idle, Running, Planning, Asking, Writing };

    void build();
    void fillCables();
    void fillUnits();
    void start();
    void update();
    void finished();
    void fillDifferences();
    void fillDifferencesNote(bool none);
    void take(bool all);
    void updateButtons();

    const NetworkTask task_;
    Prompter& prompter_;
    std::unique_ptr<NetworkModel> model_;
    NetworkBackupModel* backup_ = nullptr;
    NetworkCompareModel* compare_ = nullptr;
    NetworkRestoreModel* restore_ = nullptr;
    std::unique_ptr<WorkerPump> pump_;
    std::function<void()> changed_;
    Phase phase_ = Phase::Idle;
    bool filling_ = false;
    bool single_ = false;

    QLabel* cableLabel_ = nullptr;
    QComboBox* cable_ = nullptr;
    QTreeWidget* units_ = nullptr;
    QCheckBox* changedOnly_ = nullptr;
    QTreeWidget* differences_ = nullptr;
    QLabel* differencesNote_ = nullptr;
    QPushButton* take_ = nullptr;
    QPushButton* takeAll_ = nullptr;
};

// Tools > "Check Network": the findings of the offline check, each naming its blocks.
// Double-clicking a finding reports its first block, which the main window selects.
class CheckNetworkDialog : public QDialog {
    Q_OBJECT

  public:
    explicit CheckNetworkDialog(Block& root, QWidget* parent = nullptr);

    QListWidget* findings() const { return list_; }

  signals:
    void blockChosen(Block* block);

  private:
    std::vector<Finding> findings_;
    QListWidget* list_ = nullptr;
};

}  // namespace skelvane
