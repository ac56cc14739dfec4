#pragma once

#include <QMainWindow>
#include <QPoint>
#include <filesystem>
#include <map>

#include "diagram/diagram_owner.h"
#include "document/block.h"
#include "operations/discovery_model.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;

namespace skelvane {

struct AppState;
class DeviceCommands;
class DiagramView;
class ExplorerTree;
class GuideKey;
class PortBar;
class WorkerPump;

// The program's window: menus, toolbar, status bar, the explorer tree and the diagram side by
// side. It routes commands to the document session and the device dialogs and keeps the tree
// and the diagram in step with the user's network.
class MainWindow : public QMainWindow, public DiagramOwner {
    Q_OBJECT

  public:
    // The squared distance within which a dropped link finds its output.
    static constexpr std::int64_t kDropLimit = 7000;

    MainWindow(AppState& state, DeviceCommands& devices, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Reads the configuration and makes the first network. False when the program must end
    // (the message has been shown).
    bool startUp();

    // Every command by its id (menus, toolbar, accelerators, the diagram's menus).
    void runCommand(int id);
    QAction* action(int id) const;

    // The commands that take a file name or a position, without their dialogs.
    bool openFile(const std::filesystem::path& path);
    bool saveTo(const std::filesystem::path& path);
    // Places a block of kind `kind` at a client point of the diagram.
    Block* placeBlock(int kind, QPoint client);
    // Pastes the copied block as `kind` at a screen position; nothing outside the diagram.
    Block* pasteBlock(int kind, QPoint global);
    void deleteSelected();
    void renameBlock(Block* block);

    void rebuildDiagram();
    // Devices > Arrange: the blocks laid out as a tree from the block on the cable.
    void arrangeDiagram();
    // "Add to Network": blocks for the found units the network lacks, below the others and
    // linked to the block on the cable. Returns how many were added.
    std::size_t addFoundUnits(const std::vector<FoundUnit>& units);
    void rebuildTree();
    void updateTitle();
    // The status line of every radio block: what the exchanges learned of its unit, and the
    // warning where another block has the same unit address.
    void refreshUnitStatus();

    DiagramView* diagramView() const { return view_; }
    ExplorerTree* explorer() const { return tree_; }
    QSplitter* splitter() const { return splitter_; }
    PortBar* portBar() const { return portBar_; }
    GuideKey* guideKey() const { return guideKey_; }
    // The one selected block of the diagram, or nullptr.
    Block* singleSelectedBlock() const;

    // DiagramOwner
    int notify(const DiagramNotification& n) override;

  signals:
    // The program must end now, without the question about changes (start-up or New could
    // not read its files).
    void mustEnd();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    QAction* addCommand(int id, const QString& text, const QKeySequence& shortcut = {});

    void newNetwork();
    void openNetwork();
    void save();
    void saveAs();
    // The Save As dialog (it asks before replacing a file); empty when cancelled.
    std::filesystem::path chooseSaveName();
    void showAbout();
    void openDeviceCommand(int id, Block* block);
    void checkNetwork();

    void refreshViews();
    void insertBlockItem(Block* block);
    int itemOf(const Block* block) const;
    void afterBlockAdded(Block* block);
    void updateLinkAfterDrop(int item, int row, DiagramPoint point, bool drop);
    void resyncLink(int item, int row);
    void navigateLink(DiagramPoint point);
    void forgetLinksTo(const Block& removed);
    void treeSelectionChanged(Block* block);
    // The diagram's selection changed: the tree follows a single block, and Delete is enabled
    // while anything is selected.
    void diagramSelectionChanged();
    std::filesystem::path fileDialogDir() const;

    AppState& state_;
    DeviceCommands& devices_;

    std::map<int, QAction*> actions_;
    QMenu* editMenu_ = nullptr;
    QMenu* networkMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QSplitter* splitter_ = nullptr;
    ExplorerTree* tree_ = nullptr;
    DiagramView* view_ = nullptr;
    PortBar* portBar_ = nullptr;
    GuideKey* guideKey_ = nullptr;
    QLabel* portNote_ = nullptr;  // says when the port is the simulated network
    WorkerPump* statusPump_ = nullptr;

    // The input row being dragged, so that a drag that ends without a drop can be undone.
    int dragItem_ = -1;
    int dragRow_ = -1;
    bool ending_ = false;            // closing without the question
    bool syncingSelection_ = false;  // the tree and the diagram are taking each other's choice
};

}  // namespace skelvane
