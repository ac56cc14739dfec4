// The diagram as the user sees and handles it: colours where the model puts blocks and
// links, the drag feedback, and the mouse rules that decide between moving, linking and
// selecting.

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <set>

#include "gui_harness.h"
#include "ui/command_ids.h"
#include "ui/diagram_view.h"

using namespace skelvane;
using namespace skelvane::test;

namespace {

QImage render(Harness& h) {
    h.diagram().ensureLayout();
    return h.viewport().grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// True when `color` is found within `radius` pixels of `p` (lines drawn at an angle may pass
// a pixel beside the exact point).
bool near(const QImage& image, QPoint p, const QColor& color, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && image.pixel(q) == color.rgb()) {
                return true;
            }
        }
    }
    return false;
}

QPoint mid(DiagramPoint a, DiagramPoint b) {
    return QPoint((a.x + b.x) / 2, (a.y + b.y) / 2);
}

// The middle of the longest inner segment of a routed link, in client coordinates.
QPoint onRoutedLink(DiagramView& view, const DiagramRow& row) {
    int best = -1;
    int length = 0;
    for (int i = 1; i + 2 < row.pointCount; ++i) {
        const int l = std::abs(row.points[i + 1].x - row.points[i].x) +
                      std::abs(row.points[i + 1].y - row.points[i].y);
        if (l > length) {
            length = l;
            best = i;
        }
    }
    const QPoint m = mid(row.points[best], row.points[best + 1]);
    return view.toClient({m.x(), m.y()});
}

const DiagramRow& inputRow(Harness& h, const Block* block, int row) {
    return h.diagram().item(h.itemOf(block))->rows[static_cast<std::size_t>(row)];
}

// A network of 300 radios saved to a file and opened: the Master, Repeaters linked from it
// (every third one from the Repeater before it), each with Remotes, on a grid 200 pixels
// apart reaching far past 1024 pixels, and one Remote left of and above the origin.
void openLargeNetwork(Harness& h) {
    DocumentSession& s = h.session();
    Block* master = h.master();
    master->SetPosition(0, 0);
    Block* repeater = nullptr;
    for (int n = 1; n < 300; ++n) {
        const bool relay = n % 15 == 1;
        Block* b = s.AddBlock(relay ? BlockKind::Repeater : BlockKind::Remote, (n % 20) * 200,
                              (n / 20) * 200);
        Block* from = !relay ? repeater : (repeater != nullptr && n % 45 == 16 ? repeater : master);
        b->Inputs().at(0).id = from->Outputs().back().id;
        if (relay) {
            repeater = b;
        }
        if (n == 299) {
            b->SetPosition(-208, -96);
        }
    }
    const std::filesystem::path path = h.dir() / "large.xml";
    QVERIFY(h.window().saveTo(path));
    QVERIFY(h.window().openFile(path));
    QCOMPARE(h.diagram().itemCount(), 300);
}

}  // namespace

class DiagramViewTest : public QObject {
    Q_OBJECT

  private slots:
    void blocksAndLinksHaveTheirColours();
    void mouseMovesSeveralAndARightClickSelectsOne();
    void largeNetworkScrolledClickedAndArranged();
    void zoomKeepsPressesAndMovesOnTheContent();
};

void DiagramViewTest::blocksAndLinksHaveTheirColours() {
    Harness h;
    Block* remote = h.place(BlockKind::Remote, QPoint(16, 240));
    Block* repeater = h.place(BlockKind::Repeater, QPoint(320, 40));
    // A second input row on the Repeater, which the mouse can highlight.
    repeater->AddInput("B", 0);
    h.window().rebuildDiagram();
    drag(h.viewport(), h.iconCentre(remote), h.rowCentre(repeater, 2));
    QCOMPARE(remote->Inputs().at(0).id, repeater->Outputs().at(0).id);
    drag(h.viewport(), h.rowCentre(repeater, 1), h.iconCentre(h.master()));
    QCOMPARE(repeater->Inputs().at(1).id, h.master()->Outputs().at(0).id);
    click(h.viewport(), h.titleCentre(repeater));  // the Repeater selected, the others not
    const DiagramPalette& c = h.view().diagramStyle().colors;

    QImage image = render(h);
    // Title boxes: selected and not selected (sampled at their left end, clear of the text).
    auto titleSample = [&](const Block* block) {
        const DiagramItem& it = *h.diagram().item(h.itemOf(block));
        return h.view().toClient({it.titleBox.left + 1, it.titleBox.top + 1});
    };
    QCOMPARE(image.pixel(titleSample(repeater)), c.activeCaption.rgb());
    QCOMPARE(image.pixel(titleSample(h.master())), c.inactiveCaption.rgb());
    // The Repeater's incoming link is blue while its block is selected, grey otherwise.
    const DiagramRow& fromMaster = inputRow(h, repeater, 1);
    QVERIFY(fromMaster.pointCount > 2);
    const QPoint sample = onRoutedLink(h.view(), fromMaster);
    QVERIFY(near(image, sample, kSelectedLinkColor, 0));
    // The arrow head just before the end point, pointing into the row.
    const DiagramPoint end = fromMaster.points[static_cast<std::size_t>(fromMaster.pointCount - 1)];
    QCOMPARE(image.pixel(h.view().toClient({end.x - 2, end.y})), kSelectedLinkColor.rgb());
    QCOMPARE(image.pixel(h.view().toClient({end.x - 4, end.y - 2})), kSelectedLinkColor.rgb());
    click(h.viewport(), QPoint(700, 500));

    // A link the router leaves straight is magenta; with the straight-links style every
    // link is.
    h.diagram().setStyle(kStyleStraightLinks);
    const DiagramRow& straight = inputRow(h, remote, 0);
    image = render(h);
    QCOMPARE(straight.pointCount, 2);
    const QPoint middle = mid(straight.points[0], straight.points[1]);
    QVERIFY(near(image, h.view().toClient({middle.x(), middle.y()}), kStraightLinkColor));
    h.diagram().setStyle(0);
    image = render(h);
    QVERIFY(near(image, sample, c.shadow, 0));

    // Hovering the input row turns its link red.
    move(h.viewport(), h.rowCentre(repeater, 1), Qt::NoButton);
    QVERIFY((inputRow(h, repeater, 1).flags & kRowHighlighted) != 0);
    image = render(h);
    QVERIFY(near(image, sample, kHighlightedLinkColor, 0));
    move(h.viewport(), QPoint(700, 500), Qt::NoButton);
    QVERIFY((inputRow(h, repeater, 1).flags & kRowHighlighted) == 0);
}

void DiagramViewTest::mouseMovesSeveralAndARightClickSelectsOne() {
    Harness h;
    const QPoint from = h.titleCentre(h.master());
    const DiagramItem before = *h.diagram().item(0);
    press(h.viewport(), from);
    move(h.viewport(), from + QPoint(20, 20));
    move(h.viewport(), from + QPoint(40, 40));
    QCOMPARE(h.diagram().mode(), DiagramMode::Moving);
    // The outline's top edge, 32 pixels right and down of the box, and the edge of the
    // bounds round all outlines 2 pixels above it: a half-tone of inverted pixels.
    const QRgb inverted = ~h.view().diagramStyle().colors.window.rgb() | 0xFF000000u;
    const int width = before.rect.right - before.rect.left;
    auto invertedOn = [&](const QImage& image, int y) {
        int n = 0;
        for (int x = before.rect.left + 32; x < before.rect.right + 32; ++x) {
            n += image.pixel(h.view().toClient({x, y})) == inverted ? 1 : 0;
        }
        return n;
    };
    QImage image = render(h);
    for (int y : {before.rect.top + 32, before.rect.top + 30}) {
        const int n = invertedOn(image, y);
        QVERIFY2(n >= width / 3 && n < width, qPrintable(QString::number(n)));
    }
    release(h.viewport(), from + QPoint(40, 40));
    QCOMPARE(h.master()->X(), 32 + 32);
    QCOMPARE(h.diagram().mode(), DiagramMode::Idle);
    image = render(h);
    QCOMPARE(invertedOn(image, before.rect.top + 30), 0);

    // A press on an output row starts nothing while its block is selected alone.
    Block* repeater = h.place(BlockKind::Repeater, QPoint(240, 160));
    const QPoint output = h.rowCentre(repeater, 1);
    drag(h.viewport(), output, output + QPoint(48, 48));
    QCOMPARE(QPoint(repeater->X(), repeater->Y()), QPoint(240, 160));
    QCOMPARE(repeater->Inputs().at(0).id, 0);

    // With two blocks selected the same press moves both.
    click(h.viewport(), h.titleCentre(h.master()), Qt::ShiftModifier);
    QCOMPARE(h.diagram().selectedCount(), 2);
    drag(h.viewport(), output, output + QPoint(48, 40));
    QCOMPARE(QPoint(repeater->X(), repeater->Y()), QPoint(288, 192));
    QCOMPARE(QPoint(h.master()->X(), h.master()->Y()), QPoint(64 + 48, 64 + 32));

    // A right click selects the block alone and offers its menu; on empty space, the kinds.
    press(h.viewport(), h.titleCentre(h.master()), Qt::RightButton);
    release(h.viewport(), h.titleCentre(h.master()), Qt::RightButton);
    QCOMPARE(selectedBlocks(h.diagram()), std::vector<Block*>{h.master()});
    auto texts = [&h] {
        std::unique_ptr<QMenu> menu(h.view().createContextMenu(nullptr));
        QStringList list;
        for (QAction* a : menu->actions()) {
            list << a->text();
        }
        return list;
    };
    QCOMPARE(texts(), QStringList({QStringLiteral("Re&name"), QStringLiteral("&Properties"),
                                   QStringLiteral("&Hard Upgrade"), QStringLiteral("&Soft Upgrade"),
                                   QStringLiteral("&Copy\tCtrl+C")}));
    // The Edit menu's commands come back as the diagram's notifications.
    h.view().contextCommand(command::kCopy);
    QCOMPARE(h.session().CopiedBlock(), h.master());
    h.view().contextCommand(command::kSoftUpgrade);
    QCOMPARE(h.devices().calls.size(), std::size_t{1});
    QCOMPARE(h.devices().calls[0].command, std::string("soft"));

    press(h.viewport(), QPoint(700, 500), Qt::RightButton);
    QCOMPARE(h.diagram().selectedCount(), 0);
    QCOMPARE(texts(),
             QStringList({QStringLiteral("Master\tCtrl+M"), QStringLiteral("Repeater\tCtrl+P"),
                          QStringLiteral("Remote\tCtrl+R")}));
}

void DiagramViewTest::largeNetworkScrolledClickedAndArranged() {
    Harness h;
    openLargeNetwork(h);
    QScrollBar* hbar = h.view().horizontalScrollBar();
    QScrollBar* vbar = h.view().verticalScrollBar();
    for (const int zoom : {100, 50}) {
        h.view().setZoom(zoom);
        h.view().updateScrollRange();
        for (int i = 0; i < h.diagram().itemCount(); ++i) {
            const DiagramItem& it = *h.diagram().item(i);
            // The block's top-left to the view's top-left, as far as the bars go.
            hbar->setValue(it.rect.left * zoom / 100 - 8);
            vbar->setValue(it.rect.top * zoom / 100 - 8);
            const QPoint title = centre(h.view(), it.titleBox);
            QVERIFY2(h.viewport().rect().contains(title), qPrintable(QString::number(i)));
            click(h.viewport(), title);
            QCOMPARE(h.diagram().selectedCount(), 1);
            QVERIFY(h.diagram().item(i)->selected());
        }
    }

    // Arrange lays it out as a tree within the view's width.
    h.view().setZoom(100);
    QVERIFY(!h.session().User().Modified());
    h.window().runCommand(command::kArrange);
    QVERIFY(h.session().User().Modified());
    BlockDiagram& d = h.diagram();
    d.ensureLayout();
    const int width = h.viewport().width();
    std::set<int> rows;
    for (int i = 0; i < d.itemCount(); ++i) {
        const DiagramItem& it = *d.item(i);
        const Block* block = static_cast<const Block*>(it.data);
        QCOMPARE(QPoint(block->X(), block->Y()), QPoint(it.rect.left, it.rect.top));
        QVERIFY(it.rect.right <= width);
        rows.insert(it.rect.top);
        for (int j = 0; j < i; ++j) {
            const DiagramRect& o = d.item(j)->rect;
            QVERIFY2(it.rect.right <= o.left || o.right <= it.rect.left ||
                         it.rect.bottom <= o.top || o.bottom <= it.rect.top,
                     qPrintable(QStringLiteral("%1 overlaps %2").arg(i).arg(j)));
        }
        // Below the block it is linked from, and the link routed.
        for (const DiagramRow& row : it.rows) {
            if (row.linked()) {
                QVERIFY(d.item(d.findById(row.sourceItemId))->rect.bottom < it.rect.top);
                QVERIFY(row.pointCount > 2);
            }
        }
    }
    // The Master heads it, alone in the top row; the boxes share rows.
    const DiagramRect& top = d.item(h.itemOf(h.master()))->rect;
    QCOMPARE(top.top, *rows.begin());
    QVERIFY(rows.size() < 100);
}

void DiagramViewTest::zoomKeepsPressesAndMovesOnTheContent() {
    Harness h;
    Block* remote = h.place(BlockKind::Remote, QPoint(320, 240));
    h.view().horizontalScrollBar()->setValue(160);
    h.view().verticalScrollBar()->setValue(160);
    // Ctrl+wheel zooms about the mouse, the menu about the middle of the view: what was there
    // stays there.
    const QPoint under = h.titleCentre(remote);
    const QPoint middle = h.viewport().rect().center();
    const DiagramPoint content = h.view().toContent(under);
    QWheelEvent wheel(under, h.viewport().mapToGlobal(under), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&h.viewport(), &wheel);
    QCOMPARE(h.view().zoom(), 75);
    QVERIFY(std::abs(h.view().toContent(under).x - content.x) <= 2);
    QVERIFY(std::abs(h.view().toContent(under).y - content.y) <= 2);
    const DiagramPoint atMiddle = h.view().toContent(middle);
    h.window().runCommand(command::kZoomOut);
    QCOMPARE(h.view().zoom(), 67);
    QVERIFY(std::abs(h.view().toContent(middle).x - atMiddle.x) <= 2);
    QVERIFY(std::abs(h.view().toContent(middle).y - atMiddle.y) <= 2);

    // A press finds the block where it is drawn; a move of 48 client pixels at 67% is 71
    // content pixels, four grid steps.
    const QPoint from = h.titleCentre(remote);
    drag(h.viewport(), from, from + QPoint(48, 0));
    QCOMPARE(selectedBlocks(h.diagram()), std::vector<Block*>{remote});
    QCOMPARE(QPoint(remote->X(), remote->Y()), QPoint(320 + 64, 240));
    // Auto-scroll moves the view in client pixels and the selection follows the content.
    const QPoint start = h.titleCentre(remote);
    const DiagramPoint pressed = h.view().toContent(start);
    press(h.viewport(), start);
    move(h.viewport(), start + QPoint(20, 0));
    const int before = h.view().horizontalScrollBar()->value();
    const QPoint edge(h.viewport().width() - 5, start.y());
    for (int k = 0; k < 10; ++k) {
        move(h.viewport(), edge);
    }
    const int scrolled = h.view().horizontalScrollBar()->value() - before;
    QCOMPARE(scrolled, 60);
    // Near the left edge it scrolls back; clear of the edges it stays.
    move(h.viewport(), QPoint(5, start.y()));
    QCOMPARE(h.view().horizontalScrollBar()->value() - before, 54);
    move(h.viewport(), edge);
    const QPoint end = edge - QPoint(40, 0);  // clear of the edge: no more scrolling
    move(h.viewport(), end);
    release(h.viewport(), end);
    const int moved = h.view().toContent(end).x - pressed.x;
    QCOMPARE(remote->X() - 384, moved / 16 * 16);

    // Fit shows every block.
    h.window().runCommand(command::kZoomFit);
    for (int i = 0; i < h.diagram().itemCount(); ++i) {
        const DiagramRect& r = h.diagram().item(i)->rect;
        QVERIFY(h.viewport().rect().contains(h.view().toClient({r.left, r.top})));
        QVERIFY(h.viewport().rect().contains(h.view().toClient({r.right, r.bottom})));
    }
}

QTEST_MAIN(DiagramViewTest)
#include "diagram_view_test.moc"
