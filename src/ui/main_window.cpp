#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "base/strings.h"
#include "diagram/diagram_arrange.h"
#include "link/port_names.h"
#include "link/port_settings.h"
#include "operations/add_found_units.h"
#include "operations/unit_status_line.h"
#include "ui/about_sheet.h"
#include "ui/app_state.h"
#include "ui/command_ids.h"
#include "ui/device_commands.h"
#include "ui/device_dialogs.h"
#include "ui/diagram_view.h"
#include "ui/explorer_tree.h"
#include "ui/file_names.h"
#include "ui/icons.h"
#include "ui/network_dialog.h"
#include "ui/port_bar.h"
#include "ui/qt_prompter.h"
#include "ui/rename_dialog.h"
#include "ui/user_guide.h"
#include "ui/worker_pump.h"

namespace skelvane {

namespace {

// Block flags that shape a block's box in the diagram.
constexpr int kFlagWide = 16;      // 128 pixels wide
constexpr int kFlagNarrow = 32;    // 84 pixels wide
constexpr int kFlagIconRight = 8;  // icon at the right edge

// The wait cursor for as long as a file is read or written.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

Block* blockOf(DiagramData data) {
    return static_cast<Block*>(data);
}

}  // namespace

MainWindow::MainWindow(AppState& state, DeviceCommands& devices, QWidget* parent)
    : QMainWindow(parent), state_(state), devices_(devices) {
    setObjectName(QStringLiteral("Skelvane_Main"));
    // A first run, with no port saved yet, starts on the simulated network: it answers.
    state_.portSettings = LoadPortSettings(*state_.settingsStore, AppState::kSimPort);
    state_.session.SetStorePortSettings(
        [this] { return SavePortSettings(*state_.settingsStore, state_.portSettings); });
    state_.session.SetSaveNameChooser([this] { return chooseSaveName(); });
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();

    splitter_ = new QSplitter(Qt::Horizontal, this);
    tree_ = new ExplorerTree(splitter_);
    view_ = new DiagramView(splitter_);
    view_->setObjectName(QStringLiteral("Skelvane_BlockNetwork"));
    view_->setOwner(this);
    splitter_->addWidget(tree_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);
    resize(800, 560);
    splitter_->setSizes({ExplorerTree::kInitialWidth, width() - ExplorerTree::kInitialWidth});

    guideKey_ = new GuideKey([this] { return FindUserGuide(state_.session.Paths()); }, this);

    connect(tree_, &ExplorerTree::blockSelected, this, &MainWindow::treeSelectionChanged);
    connect(view_, &DiagramView::placeRequested, this,
            [this](int command, QPoint client) { placeBlock(command, client); });

    // Whatever thread an exchange ran on, the status lines are redrawn on this one.
    statusPump_ = new WorkerPump([this] { refreshUnitStatus(); }, this);
    state_.unitStatus.SetChangeListener(statusPump_->notifier());

    updateTitle();
}

MainWindow::~MainWindow() {
    state_.unitStatus.SetChangeListener(nullptr);
    // The diagram's items point at blocks of the session, which outlives the window; the view
    // must not report anything to a window being destroyed, nor Save reach into it.
    view_->setOwner(nullptr);
    state_.session.SetStorePortSettings({});
}

// --- construction ------------------------------------------------------------------------

QAction* MainWindow::addCommand(int id, const QString& text, const QKeySequence& shortcut) {
    auto* a = new QAction(text, this);
    if (!shortcut.isEmpty()) {
        a->setShortcut(shortcut);
    }
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_[id] = a;
    addAction(a);  // shortcuts work whether or not the action sits in a menu
    return a;
}

QAction* MainWindow::action(int id) const {
    const auto it = actions_.find(id);
    return it != actions_.end() ? it->second : nullptr;
}

void MainWindow::createActions() {
    using namespace command;
    addCommand(kNew, QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N))
        ->setIcon(commandIcon(CommandIcon::New));
    addCommand(kOpen, QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O))
        ->setIcon(commandIcon(CommandIcon::Open));
    addCommand(kSave, QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S))
        ->setIcon(commandIcon(CommandIcon::Save));
    addCommand(kSaveAs, QStringLiteral("Save &As..."));
    addCommand(kExit, QStringLiteral("E&xit"));

    addCommand(kRename, QStringLiteral("Re&name"))->setIcon(commandIcon(CommandIcon::Rename));
    addCommand(kProperties, QStringLiteral("&Properties"))
        ->setIcon(commandIcon(CommandIcon::Properties));
    addCommand(kHardUpgrade, QStringLiteral("&Hard Upgrade"))
        ->setIcon(commandIcon(CommandIcon::HardUpgrade));
    addCommand(kSoftUpgrade, QStringLiteral("&Soft Upgrade"))
        ->setIcon(commandIcon(CommandIcon::SoftUpgrade));
    QAction* copy = addCommand(kCopy, QStringLiteral("&Copy"));
    copy->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    copy->setIcon(commandIcon(CommandIcon::Copy));
    addCommand(kDelete, QStringLiteral("Delete"))->setIcon(commandIcon(CommandIcon::Delete));

    addCommand(kPasteMaster, QStringLiteral("Master"), QKeySequence(Qt::CTRL | Qt::Key_M));
    addCommand(kPasteRepeater, QStringLiteral("Repeater"), QKeySequence(Qt::CTRL | Qt::Key_P));
    addCommand(kPasteRemote, QStringLiteral("Remote"), QKeySequence(Qt::CTRL | Qt::Key_R));

    addCommand(static_cast<int>(BlockKind::Master), QStringLiteral("&Master"))
        ->setIcon(commandIcon(CommandIcon::Master));
    addCommand(static_cast<int>(BlockKind::Repeater), QStringLiteral("Re&peater"))
        ->setIcon(commandIcon(CommandIcon::Repeater));
    addCommand(static_cast<int>(BlockKind::Remote), QStringLiteral("&Remote"))
        ->setIcon(commandIcon(CommandIcon::Remote));

    addCommand(kSpectrum, QStringLiteral("&Spectrum"))->setIcon(commandIcon(CommandIcon::Spectrum));
    addCommand(kViewToolbar, QStringLiteral("&Toolbar"))->setCheckable(true);
    addCommand(kViewStatusBar, QStringLiteral("&Status Bar"))->setCheckable(true);
    addCommand(kZoomIn, QStringLiteral("Zoom &In"), QKeySequence(Qt::CTRL | Qt::Key_Plus))
        ->setShortcuts(
            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    addCommand(kZoomOut, QStringLiteral("Zoom &Out"), QKeySequence(Qt::CTRL | Qt::Key_Minus));
    addCommand(kZoomFit, QStringLiteral("&Fit"), QKeySequence(Qt::CTRL | Qt::Key_0));
    addCommand(kArrange, QStringLiteral("&Arrange"));
    addCommand(kFindUnits, QStringLiteral("&Find Units..."));
    addCommand(kMonitorNetwork, QStringLiteral("&Monitor Network"));
    addCommand(kReadNetwork, QStringLiteral("R&ead Network..."));
    addCommand(kCompareNetwork, QStringLiteral("&Compare Network..."));
    addCommand(kWriteNetwork, QStringLiteral("&Write Network..."));
    addCommand(kCheckNetwork, QStringLiteral("Check &Network"));
    addCommand(kAbout, QStringLiteral("&About Skelvane..."))
        ->setIcon(commandIcon(CommandIcon::About));
    // F1 itself is GuideKey's, so that it also works in dialogs; the menu only shows it.
    addCommand(kUserGuide, QStringLiteral("&User Guide\tF1"));

    // Tool tips name the command; the toolbar shows only icons.
    for (auto& [id, a] : actions_) {
        QString tip = a->text().section(QLatin1Char('\t'), 0, 0);
        tip.remove(QLatin1Char('&'));
        a->setToolTip(tip.endsWith(QStringLiteral("...")) ? tip.chopped(3) : tip);
    }
}

void MainWindow::createMenus() {
    using namespace command;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(action(kNew));
    file->addAction(action(kOpen));
    file->addAction(action(kSave));
    file->addAction(action(kSaveAs));
    file->addSeparator();
    file->addAction(action(kExit));

    editMenu_ = menuBar()->addMenu(QStringLiteral("&Edit"));
    editMenu_->addAction(action(kRename));
    editMenu_->addAction(action(kProperties));
    editMenu_->addAction(action(kHardUpgrade));
    editMenu_->addAction(action(kSoftUpgrade));
    editMenu_->addAction(action(kCopy));
    editMenu_->addAction(action(kDelete));

    QMenu* devices = menuBar()->addMenu(QStringLiteral("&Devices"));
    networkMenu_ = devices->addMenu(QStringLiteral("Network"));
    networkMenu_->addAction(action(static_cast<int>(BlockKind::Master)));
    networkMenu_->addAction(action(static_cast<int>(BlockKind::Repeater)));
    networkMenu_->addAction(action(static_cast<int>(BlockKind::Remote)));
    devices->addAction(action(kArrange));
    devices->addSeparator();
    devices->addAction(action(kFindUnits));
    devices->addAction(action(kMonitorNetwork));
    devices->addActions({action(kReadNetwork), action(kCompareNetwork), action(kWriteNetwork)});

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Tools"));
    tools->addAction(action(kSpectrum));
    tools->addAction(action(kCheckNetwork));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->addAction(action(kViewToolbar));
    view->addAction(action(kViewStatusBar));
    view->addSeparator();
    view->addAction(action(kZoomIn));
    view->addAction(action(kZoomOut));
    view->addAction(action(kZoomFit));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(action(kUserGuide));
    help->addAction(action(kAbout));
}

void MainWindow::createToolBar() {
    using namespace command;
    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("MainToolbar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(false);
    toolBar_->addAction(action(kNew));
    toolBar_->addAction(action(kOpen));
    toolBar_->addAction(action(kSave));
    toolBar_->addSeparator();
    toolBar_->addAction(action(kCopy));
    toolBar_->addAction(action(kDelete));
    toolBar_->addSeparator();
    toolBar_->addAction(action(static_cast<int>(BlockKind::Master)));
    toolBar_->addAction(action(static_cast<int>(BlockKind::Repeater)));
    toolBar_->addAction(action(static_cast<int>(BlockKind::Remote)));
    toolBar_->addSeparator();
    toolBar_->addAction(action(kProperties));
    toolBar_->addAction(action(kRename));
    toolBar_->addAction(action(kHardUpgrade));
    toolBar_->addAction(action(kSoftUpgrade));
    toolBar_->addSeparator();
    toolBar_->addAction(action(kSpectrum));
    toolBar_->addAction(action(kAbout));

    // The Master button's arrow offers the whole Devices submenu.
    if (auto* button = qobject_cast<QToolButton*>(
            toolBar_->widgetForAction(action(static_cast<int>(BlockKind::Master))))) {
        button->setMenu(networkMenu_);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    action(kViewToolbar)->setChecked(true);
    // The toolbar can also be hidden from its own context menu.
    connect(toolBar_, &QToolBar::visibilityChanged, this,
            [this] { action(command::kViewToolbar)->setChecked(!toolBar_->isHidden()); });
}

void MainWindow::createStatusBar() {
    portBar_ = new PortBar(state_.portSettings, state_.ports, this);
    statusBar()->addWidget(portBar_);
    portNote_ = new QLabel(this);
    statusBar()->addWidget(portNote_, 1);
    const auto showPortNote = [this] {
        portNote_->setText(StripInUseSuffix(state_.portSettings.portName) == AppState::kSimPort
                               ? QStringLiteral("SIM1 is the simulated network: Master 1 on the "
                                                "cable, Repeater 2, Remotes 300 and 301")
                               : QString());
    };
    connect(portBar_->portList(), &QComboBox::activated, this, showPortNote);
    showPortNote();
    action(command::kViewStatusBar)->setChecked(true);
}

// The file dialogs start in the program's folder, unless the user may not write there (an
// installed program's folder, such as /usr/bin): then in the home folder.
std::filesystem::path MainWindow::fileDialogDir() const {
    const QString dir = QCoreApplication::applicationDirPath();
    return toPath(QFileInfo(dir).isWritable() ? dir : QDir::homePath());
}

// --- start-up and the file commands --------------------------------------------------------

bool MainWindow::startUp() {
    const bool ok = state_.session.StartUp();
    refreshViews();
    return ok;
}

void MainWindow::refreshViews() {
    rebuildTree();
    rebuildDiagram();
    updateTitle();
    // Another network is shown from its beginning.
    view_->scrollToOrigin();
    diagramSelectionChanged();
}

void MainWindow::updateTitle() {
    setWindowTitle(fromLatin1(LoadText(kIdsAppName)) + QStringLiteral(" - ") +
                   fromNativeName(state_.session.User().FileName()));
}

void MainWindow::newNetwork() {
    const bool made = state_.session.New();
    if (state_.session.MustEnd()) {
        ending_ = true;
        emit mustEnd();
        close();
        return;
    }
    if (made) {
        refreshViews();
    }
}

void MainWindow::openNetwork() {
    // The question comes before the file dialog. Once it is answered (the changes discarded
    // or saved) and a file chosen, the read must not ask it again.
    if (!state_.session.AskAboutChanges()) {
        return;
    }
    QFileDialog dialog(this, QString(), fromPath(fileDialogDir()),
                       fileDialogFilter(LoadText(kIdsNetworkFilter)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    state_.session.User().SetModified(false);
    openFile(toPath(dialog.selectedFiles().front()));
}

bool MainWindow::openFile(const std::filesystem::path& path) {
    bool opened = false;
    {
        const WaitCursor wait;
        opened = state_.session.Open(path);
    }
    // A failed read has shown its message; the views show what the document kept.
    refreshViews();
    return opened;
}

void MainWindow::save() {
    // A network without a name the user chose goes through the Save As dialog first.
    if (state_.session.Save()) {
        updateTitle();
    }
}

void MainWindow::saveAs() {
    const std::filesystem::path path = chooseSaveName();
    if (!path.empty()) {
        saveTo(path);
    }
}

std::filesystem::path MainWindow::chooseSaveName() {
    QFileDialog dialog(this, QString(), fromPath(fileDialogDir()),
                       fileDialogFilter(LoadText(kIdsNetworkFilter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);  // asks before replacing a file
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return toPath(dialog.selectedFiles().front());
}

bool MainWindow::saveTo(const std::filesystem::path& path) {
    bool saved = false;
    {
        const WaitCursor wait;
        saved = state_.session.SaveAs(path);
    }
    if (saved) {
        updateTitle();
    }
    return saved;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    view_->cancelPlacing();
    if (ending_ || state_.session.ConfirmClose()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::showAbout() {
    AboutSheet sheet(this);
    sheet.exec();
}

// --- commands ----------------------------------------------------------------------------

void MainWindow::runCommand(int id) {
    using namespace command;
    switch (id) {
        case kNew:
            newNetwork();
            return;
        case kOpen:
            openNetwork();
            return;
        case kSave:
            save();
            return;
        case kSaveAs:
            saveAs();
            return;
        case kExit:
            close();
            return;
        case kRename:
            if (Block* block = singleSelectedBlock()) {
                renameBlock(block);
            }
            return;
        case kProperties:
        case kHardUpgrade:
        case kSoftUpgrade:
            if (Block* block = singleSelectedBlock()) {
                openDeviceCommand(id, block);
            }
            return;
        case kCopy:
            if (Block* block = singleSelectedBlock()) {
                state_.session.SetCopiedBlock(block);
            }
            return;
        case kPasteMaster:
            pasteBlock(static_cast<int>(BlockKind::Master), QCursor::pos());
            return;
        case kPasteRepeater:
            pasteBlock(static_cast<int>(BlockKind::Repeater), QCursor::pos());
            return;
        case kPasteRemote:
            pasteBlock(static_cast<int>(BlockKind::Remote), QCursor::pos());
            return;
        case kDelete:
            deleteSelected();
            return;
        case kSpectrum:
        case kFindUnits:
        case kMonitorNetwork:
            openDeviceCommand(id, nullptr);
            return;
        case kViewToolbar:
            toolBar_->setVisible(toolBar_->isHidden());
            action(kViewToolbar)->setChecked(!toolBar_->isHidden());
            return;
        case kViewStatusBar:
            statusBar()->setVisible(statusBar()->isHidden());
            action(kViewStatusBar)->setChecked(!statusBar()->isHidden());
            return;
        case kAbout:
            showAbout();
            return;
        case kUserGuide:
            guideKey_->openFor(nullptr);
            return;
        case kZoomIn:
            view_->zoomIn();
            return;
        case kZoomOut:
            view_->zoomOut();
            return;
        case kZoomFit:
            view_->zoomToFit();
            return;
        case kArrange:
            arrangeDiagram();
            return;
        case kReadNetwork:
        case kCompareNetwork:
        case kWriteNetwork:
            openDeviceCommand(id, nullptr);
            return;
        case kCheckNetwork:
            checkNetwork();
            return;
        default:
            if (isInsertCommand(id)) {
                view_->startPlacing(id);
            }
            return;
    }
}

void MainWindow::openDeviceCommand(int id, Block* block) {
    DeviceContext context;
    context.parent = this;
    context.block = block;
    context.portName = state_.portSettings.portName;
    context.baudRate = state_.portSettings.baudRate;
    switch (id) {
        case command::kProperties:
            devices_.properties(context);
            break;
        case command::kHardUpgrade:
            devices_.hardUpgrade(context);
            break;
        case command::kSoftUpgrade:
            devices_.softUpgrade(context);
            break;
        case command::kSpectrum:
            devices_.spectrum(context);
            break;
        case command::kFindUnits:
            devices_.findUnits(context);
            break;
        case command::kMonitorNetwork:
            devices_.monitorNetwork(context);
            break;
        case command::kReadNetwork:
            devices_.network(context, NetworkTask::Read);
            break;
        case command::kCompareNetwork:
            devices_.network(context, NetworkTask::Compare);
            break;
        case command::kWriteNetwork:
            devices_.network(context, NetworkTask::Write);
            break;
        default:
            break;
    }
    // A unit address may have been edited.
    refreshUnitStatus();
}

void MainWindow::checkNetwork() {
    Block* root = state_.session.User().Root();
    if (root == nullptr) {
        return;
    }
    CheckNetworkDialog dialog(*root, this);
    connect(&dialog, &CheckNetworkDialog::blockChosen, this,
            [this](Block* block) { tree_->selectBlock(block); });
    dialog.exec();
}

Block* MainWindow::singleSelectedBlock() const {
    const BlockDiagram& d = view_->diagram();
    if (d.selectedCount() != 1) {
        return nullptr;
    }
    return blockOf(d.getData(d.nextSelected(-1)));
}

int MainWindow::itemOf(const Block* block) const {
    return view_->diagram().findByData(const_cast<Block*>(block));
}

// --- the diagram and the tree --------------------------------------------------------------

void MainWindow::insertBlockItem(Block* block) {
    BlockDiagram& d = view_->diagram();
    const int i =
        d.insertItemAt(block->Name(), {block->X(), block->Y()}, block->ImageIndex(), block);
    if (i < 0) {
        return;
    }
    const int flags = block->Flags();
    if ((flags & kFlagWide) != 0) {
        d.setWidth(i, 128);
    }
    if ((flags & kFlagNarrow) != 0) {
        d.setWidth(i, 84);
    }
    if ((flags & kFlagIconRight) != 0) {
        d.setState(i, kItemIconRight, kItemIconRight);
    }
    for (const LinkEnd& in : block->Inputs()) {
        d.addRow(i, in.name, kInputSide, 0);
    }
    for (const LinkEnd& out : block->Outputs()) {
        d.addRow(i, out.name, kOutputSide, static_cast<std::uint32_t>(out.id));
    }
}

void MainWindow::rebuildDiagram() {
    BlockDiagram& d = view_->diagram();
    d.clear();
    // clear() puts the model's origin back to 0; the scroll bars keep theirs.
    d.setScrollOrigin(
        {-view_->horizontalScrollBar()->value(), -view_->verticalScrollBar()->value()});
    dragItem_ = dragRow_ = -1;
    Block* root = state_.session.User().Root();
    if (root == nullptr) {
        return;
    }
    for (Block* child = root->FirstChild(); child != nullptr; child = child->NextSibling()) {
        insertBlockItem(child);
    }
    // Inputs come first among an item's rows, so the k-th input end is row k.
    for (Block* child = root->FirstChild(); child != nullptr; child = child->NextSibling()) {
        const int item = itemOf(child);
        const auto& inputs = child->Inputs();
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            if (inputs[k].id == 0) {
                continue;
            }
            const RowRef source = d.findRowByTag(static_cast<std::uint32_t>(inputs[k].id));
            if (source.valid()) {
                d.connect(source.item, source.row, item, static_cast<int>(k), 0);
            }
        }
    }
    refreshUnitStatus();
}

void MainWindow::refreshUnitStatus() {
    const Block* root = state_.session.User().Root();
    if (root == nullptr) {
        return;
    }
    const auto isRadio = [](const Block& b) {
        return b.Kind() == BlockKind::Master || b.Kind() == BlockKind::Repeater ||
               b.Kind() == BlockKind::Remote;
    };
    std::map<std::uint32_t, int> uses;
    const Block* cable = nullptr;
    for (const Block* b = root->FirstChild(); b != nullptr; b = b->NextSibling()) {
        if (isRadio(*b)) {
            ++uses[unitAddressOf(b)];
            if (cable == nullptr && b->Kind() == BlockKind::Master) {
                cable = b;
            }
        }
    }
    BlockDiagram& d = view_->diagram();
    for (const Block* b = root->FirstChild(); b != nullptr; b = b->NextSibling()) {
        const int item = isRadio(*b) ? itemOf(b) : -1;
        if (item >= 0) {
            d.setStatus(item, DescribeUnitStatus(*b, state_.unitStatus, b == cable,
                                                 uses[unitAddressOf(b)] > 1));
        }
    }
}

// The block on the cable heads the tree: the first Master in child-walk order. Rows are as
// wide as the view shows at its zoom.
void MainWindow::arrangeDiagram() {
    BlockDiagram& d = view_->diagram();
    Block* root = state_.session.User().Root();
    if (root == nullptr || d.itemCount() == 0) {
        return;
    }
    d.endCapture();
    int head = -1;
    for (Block* b = root->FirstChild(); b != nullptr && head < 0; b = b->NextSibling()) {
        if (b->Kind() == BlockKind::Master) {
            head = itemOf(b);
        }
    }
    const int width = view_->viewport()->width() * 100 / d.zoom();
    const std::vector<DiagramPoint> positions = arrangeTree(d, head, width);
    for (int i = 0; i < d.itemCount(); ++i) {
        if (Block* block = blockOf(d.getData(i))) {
            state_.session.MoveBlock(block, positions[i].x, positions[i].y);
        }
        d.setPosition(i, positions[i]);
    }
    state_.session.MarkModified();
    view_->updateScrollRange();
    view_->horizontalScrollBar()->setValue(0);
    view_->verticalScrollBar()->setValue(0);
}

std::size_t MainWindow::addFoundUnits(const std::vector<FoundUnit>& units) {
    Block* root = state_.session.User().Root();
    if (root == nullptr) {
        return 0;
    }
    const Block* cable = nullptr;
    for (const Block* b = root->FirstChild(); b != nullptr && cable == nullptr;
         b = b->NextSibling()) {
        cable = b->Kind() == BlockKind::Master ? b : nullptr;
    }
    const int rowWidth = view_->viewport()->width() * 100 / view_->diagram().zoom();
    const std::vector<Block*> added = AddFoundUnits(
        *root, cable, units,
        [this](BlockKind kind, int x, int y) { return state_.session.AddBlock(kind, x, y); },
        view_->diagram().metrics(), std::max(rowWidth, 320));
    if (!added.empty()) {
        state_.session.MarkModified();
        rebuildDiagram();
        view_->updateScrollRange();
        rebuildTree();
        updateTitle();
    }
    return added.size();
}

void MainWindow::rebuildTree() {
    tree_->rebuild(state_.session.User().Root());
}

void MainWindow::treeSelectionChanged(Block* block) {
    if (syncingSelection_) {
        return;
    }
    const QScopedValueRollback guard(syncingSelection_, true);
    rebuildDiagram();
    const int item = itemOf(block);
    if (item < 0) {
        return;
    }
    view_->scrollItemIntoView(item);
    view_->diagram().setState(-1, 0, kItemSelected);
    view_->diagram().setState(item, kItemSelected, kItemSelected);
}

void MainWindow::diagramSelectionChanged() {
    const BlockDiagram& d = view_->diagram();
    const int first = d.nextSelected(-1);
    action(command::kDelete)->setEnabled(first >= 0);
    if (syncingSelection_ || first < 0 || d.nextSelected(first) >= 0) {
        return;
    }
    const QScopedValueRollback guard(syncingSelection_, true);
    tree_->selectBlock(blockOf(d.getData(first)));
}

void MainWindow::afterBlockAdded(Block* block) {
    insertBlockItem(block);
    refreshUnitStatus();
    rebuildTree();
    tree_->selectBlock(block);
    updateTitle();
}

Block* MainWindow::placeBlock(int kind, QPoint client) {
    if (!view_->viewport()->rect().contains(client)) {
        return nullptr;
    }
    // The block keeps the grid position its box gets.
    const DiagramPoint content = view_->toContent(client);
    const int x = (content.x / BlockDiagram::kGridStep) * BlockDiagram::kGridStep;
    const int y = (content.y / BlockDiagram::kGridStep) * BlockDiagram::kGridStep;
    Block* block = state_.session.AddBlock(static_cast<BlockKind>(kind), x, y);
    if (block != nullptr) {
        afterBlockAdded(block);
    }
    return block;
}

Block* MainWindow::pasteBlock(int kind, QPoint global) {
    if (state_.session.CopiedBlock() == nullptr) {
        return nullptr;
    }
    const QPoint client = view_->viewport()->mapFromGlobal(global);
    if (!view_->viewport()->rect().contains(client)) {
        return nullptr;
    }
    const DiagramPoint content = view_->toContent(client);
    const int x = (content.x / BlockDiagram::kGridStep) * BlockDiagram::kGridStep;
    const int y = (content.y / BlockDiagram::kGridStep) * BlockDiagram::kGridStep;
    Block* block = state_.session.PasteBlock(static_cast<BlockKind>(kind), x, y);
    if (block != nullptr) {
        afterBlockAdded(block);
    }
    return block;
}

// Inputs of the remaining blocks that came from an output of the removed block are
// disconnected in the document too, as the diagram shows them: a stale id would otherwise
// link them to whatever output gets that id after the file is read again.
void MainWindow::forgetLinksTo(const Block& removed) {
    Block* root = state_.session.User().Root();
    if (root == nullptr) {
        return;
    }
    for (const LinkEnd& out : removed.Outputs()) {
        if (out.id == 0) {
            continue;
        }
        for (Block* b = root->FirstChild(); b != nullptr; b = b->NextSibling()) {
            if (b == &removed) {
                continue;
            }
            for (LinkEnd& in : b->Inputs()) {
                if (in.id == out.id) {
                    in.id = 0;
                }
            }
        }
    }
}

void MainWindow::deleteSelected() {
    BlockDiagram& d = view_->diagram();
    // A drag in progress ends first, while its item and row still mean what they meant.
    d.endCapture();
    bool deleted = false;
    for (int i = d.nextSelected(-1); i >= 0; i = d.nextSelected(-1)) {
        Block* block = blockOf(d.getData(i));
        tree_->removeBlock(block);
        d.deleteItem(i);
        if (block != nullptr) {
            forgetLinksTo(*block);
            state_.session.DeleteBlock(block);
        }
        deleted = true;
    }
    diagramSelectionChanged();
    if (deleted) {
        state_.session.SetCopiedBlock(nullptr);
        state_.session.MarkModified();
    }
}

void MainWindow::renameBlock(Block* block) {
    if (block == nullptr) {
        return;
    }
    RenameDialog dialog(
        block->Name(),
        [this, block](const std::string& name) { return state_.session.RenameBlock(block, name); },
        this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const int item = itemOf(block);
    if (item >= 0) {
        view_->diagram().setTitle(item, block->Name());
    }
    rebuildTree();
    tree_->selectBlock(block);
}

// --- links -------------------------------------------------------------------------------

void MainWindow::updateLinkAfterDrop(int item, int row, DiagramPoint point, bool drop) {
    BlockDiagram& d = view_->diagram();
    const DiagramItem* it = d.item(item);
    if (it == nullptr || row < 0 || static_cast<std::size_t>(row) >= it->rows.size() ||
        it->rows[static_cast<std::size_t>(row)].side != kInputSide) {
        return;
    }
    const RowRef target = d.resolveDrop(item, point, kDropLimit);
    bool connected = false;
    if (target.valid()) {
        connected = d.connect(target.item, target.row, item, row, 0);
    } else {
        d.disconnect(item, row);
    }
    if (!drop) {
        return;  // while dragging only the diagram shows where the link would go
    }
    Block* block = blockOf(d.getData(item));
    if (block != nullptr && static_cast<std::size_t>(row) < block->Inputs().size()) {
        LinkEnd& input = block->Inputs()[static_cast<std::size_t>(row)];
        if (connected) {
            input.id = static_cast<std::int32_t>(
                d.item(target.item)->rows[static_cast<std::size_t>(target.row)].tag);
        } else if (!target.valid()) {
            input.id = 0;
        }
    }
    state_.session.MarkModified();
}

// The diagram shows the document's link of an input row again (after a drag that ended
// without a drop had moved it).
void MainWindow::resyncLink(int item, int row) {
    BlockDiagram& d = view_->diagram();
    Block* block = blockOf(d.getData(item));
    if (block == nullptr || row < 0 || static_cast<std::size_t>(row) >= block->Inputs().size()) {
        return;
    }
    const std::int32_t id = block->Inputs()[static_cast<std::size_t>(row)].id;
    const RowRef source = id != 0 ? d.findRowByTag(static_cast<std::uint32_t>(id)) : RowRef{};
    if (source.valid()) {
        d.connect(source.item, source.row, item, row, 0);
    } else {
        d.disconnect(item, row);
    }
}

void MainWindow::navigateLink(DiagramPoint point) {
    BlockDiagram& d = view_->diagram();
    const HitResult hit = d.hitTest(point);
    if (hit.item < 0 || (hit.part != HitPart::Icon && hit.part != HitPart::Row)) {
        return;
    }
    const DiagramItem* it = d.item(hit.item);
    if (it == nullptr || hit.row < 0 || static_cast<std::size_t>(hit.row) >= it->rows.size()) {
        return;
    }
    const DiagramRow& row = it->rows[static_cast<std::size_t>(hit.row)];
    if (row.side != kInputSide) {
        return;
    }
    if (row.linked()) {
        const int source = d.findById(row.sourceItemId);
        if (source < 0) {
            return;
        }
        view_->scrollItemIntoView(source);
        const DiagramRect& r = d.item(source)->rect;
        QCursor::setPos(view_->viewport()->mapToGlobal(view_->toClient({r.left + 5, r.top + 5})));
        state_.session.MarkModified();
        return;
    }
    const RowRef target = d.resolveDrop(hit.item, {0, 0}, kDropLimit);
    if (!target.valid() || !d.connect(target.item, target.row, hit.item, hit.row, 0)) {
        return;
    }
    Block* block = blockOf(d.getData(hit.item));
    if (block != nullptr && static_cast<std::size_t>(hit.row) < block->Inputs().size()) {
        block->Inputs()[static_cast<std::size_t>(hit.row)].id = static_cast<std::int32_t>(
            d.item(target.item)->rows[static_cast<std::size_t>(target.row)].tag);
    }
    state_.session.MarkModified();
}

// --- notifications from the diagram --------------------------------------------------------

int MainWindow::notify(const DiagramNotification& n) {
    namespace dn = diagram_notify;
    Block* block = blockOf(n.data);
    switch (n.code) {
        case dn::kKeyDown:
            if (n.key == Qt::Key_Delete) {
                deleteSelected();
            }
            return 0;
        case dn::kStateChanged:
            diagramSelectionChanged();
            return 0;
        case dn::kItemMoved:
            if (const DiagramItem* it = view_->diagram().item(n.item); it != nullptr && block) {
                state_.session.MoveBlock(block, it->rect.left, it->rect.top);
            }
            return 0;
        case dn::kBeginRename:
            renameBlock(block);
            return 1;
        case dn::kActivate:
            if (block != nullptr) {
                openDeviceCommand(command::kProperties, block);
                return 1;
            }
            return 0;
        case dn::kHardUpgrade:
            if (block != nullptr) {
                openDeviceCommand(command::kHardUpgrade, block);
            }
            return 0;
        case dn::kSoftUpgrade:
            if (block != nullptr) {
                openDeviceCommand(command::kSoftUpgrade, block);
            }
            return 0;
        case dn::kLinkDrag:
            dragItem_ = n.item;
            dragRow_ = n.row;
            updateLinkAfterDrop(n.item, n.row, n.point, n.flag == dn::kLinkDragDrop);
            if (n.flag == dn::kLinkDragDrop) {
                dragItem_ = dragRow_ = -1;
            }
            return 0;
        case dn::kCaptureLost:
            if (dragItem_ >= 0) {
                resyncLink(dragItem_, dragRow_);
                dragItem_ = dragRow_ = -1;
            }
            return 0;
        case dn::kDoubleClick:
            navigateLink(n.point);
            return 0;
        case dn::kCopy:
            if (block != nullptr) {
                state_.session.SetCopiedBlock(block);
            }
            return 0;
        case command::kPasteMaster:
        case command::kPasteRepeater:
        case command::kPasteRemote:
            runCommand(n.code);
            return 0;
        default:
            return 0;
    }
}

}  // namespace skelvane
