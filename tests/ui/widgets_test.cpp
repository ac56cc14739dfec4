// The smaller pieces: the shape of a link, file dialog filters and the message boxes.

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "base/strings.h"
#include "device_harness.h"
#include "ui/file_names.h"
#include "ui/link_shape.h"
#include "ui/qt_prompter.h"

using namespace skelvane;
using test::onNextModal;

using Points = std::vector<DiagramPoint>;
Q_DECLARE_METATYPE(Points)

namespace {

QString show(const Points& points) {
    QStringList parts;
    for (const DiagramPoint& p : points) {
        parts << QStringLiteral("%1,%2").arg(p.x).arg(p.y);
    }
    return parts.join(QLatin1Char(' '));
}

}  // namespace

class WidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void linkShape_data();
    void linkShape();
    void fileDialogFilter_data();
    void fileDialogFilter();
    void messageBoxAnswers_data();
    void messageBoxAnswers();
    void modelChoiceList();
};

void WidgetsTest::linkShape_data() {
    QTest::addColumn<Points>("points");
    QTest::addColumn<Points>("line");
    // Straight: from the start to the arrow's base 4 pixels short of the end.
    QTest::newRow("two points") << Points{{0, 10}, {40, 10}} << Points{{0, 10}, {36, 10}};
    // Every corner after a long leg is cut 2 pixels either side.
    QTest::newRow("down and across")
        << Points{{0, 0}, {20, 0}, {20, 30}, {50, 30}}
        << Points{{0, 0}, {18, 0}, {20, 2}, {20, 28}, {22, 30}, {46, 30}};
    // A leg of 4 pixels or less leaves its corner square.
    QTest::newRow("short leg") << Points{{0, 0}, {4, 0}, {4, 20}, {30, 20}}
                               << Points{{0, 0}, {4, 0}, {4, 18}, {6, 20}, {26, 20}};
    // Two runs in the same direction meet without a cut.
    QTest::newRow("straight through")
        << Points{{0, 0}, {10, 0}, {30, 0}} << Points{{0, 0}, {10, 0}, {26, 0}};
}

void WidgetsTest::linkShape() {
    QFETCH(Points, points);
    QFETCH(Points, line);
    const LinkShape shape = makeLinkShape(points.data(), static_cast<int>(points.size()));
    QVERIFY(shape.visible);
    QCOMPARE(show(shape.line), show(line));
    const DiagramPoint end = points.back();
    QCOMPARE(show({shape.arrow.begin(), shape.arrow.end()}),
             show({{end.x - 4, end.y - 2}, {end.x - 4, end.y + 2}, {end.x - 1, end.y}}));
}

void WidgetsTest::fileDialogFilter_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("filter");
    QTest::newRow("network files") << QString::fromLatin1(LoadText(kIdsNetworkFilter).data())
                                   << QStringLiteral("Network Files (*.xml);;All Files (*.*)");
    QTest::newRow("several patterns")
        << QStringLiteral("Logs|*.txt;*.log|") << QStringLiteral("Logs (*.txt *.log)");
    QTest::newRow("description without pattern")
        << QStringLiteral("Binary (*.bin)|*.bin|Broken") << QStringLiteral("Binary (*.bin)");
}

void WidgetsTest::fileDialogFilter() {
    QFETCH(QString, table);
    QFETCH(QString, filter);
    const QByteArray bytes = table.toLatin1();
    QCOMPARE(
        skelvane::fileDialogFilter({bytes.constData(), static_cast<std::size_t>(bytes.size())}),
        filter);
}

void WidgetsTest::messageBoxAnswers_data() {
    QTest::addColumn<int>("buttons");
    // A QMessageBox::StandardButton; 0: close the box, -1: press Escape.
    QTest::addColumn<int>("press");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes") << int(MessageButtons::YesNo) << int(QMessageBox::Yes) << int(Answer::Yes);
    QTest::newRow("cancel") << int(MessageButtons::YesNoCancel) << int(QMessageBox::Cancel)
                            << int(Answer::Cancel);
    // Closing a Yes/No box or pressing Escape answers neither (No may mean "go ahead").
    QTest::newRow("yes/no closed") << int(MessageButtons::YesNo) << 0 << int(Answer::Cancel);
    QTest::newRow("yes/no escape") << int(MessageButtons::YesNo) << -1 << int(Answer::Cancel);
}

void WidgetsTest::messageBoxAnswers() {
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(int, answer);
    QtPrompter prompter;
    QString text;
    QString caption;
    onNextModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr) {
            return;
        }
        text = box->text();
        caption = box->windowTitle();
        if (press == 0) {
            box->close();
        } else if (press < 0) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            box->button(static_cast<QMessageBox::StandardButton>(press))->click();
        }
    });
    const Answer got =
        prompter.Message(LoadText(kIdsNameEmpty), LoadText(kIdsError), MessageIcon::Exclamation,
                         static_cast<MessageButtons>(buttons));
    QCOMPARE(int(got), answer);
    QCOMPARE(text, QStringLiteral("The name is empty.\nCannot have an empty name."));
    QCOMPARE(caption, QStringLiteral("Error"));
}

void WidgetsTest::modelChoiceList() {
    QtPrompter prompter;
    const std::vector<std::string> models{"TAVRIN-A", "TAVRIN-B", "K\xE4lla"};
    QStringList shown;
    onNextModal([&](QWidget* w) {
        auto* list = w->findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i) {
            shown << list->item(i)->text();
        }
        QCOMPARE(list->currentRow(), 1);
        list->setCurrentRow(2);
        w->findChild<QPushButton*>()->click();
    });
    QCOMPARE(prompter.Choose("Network Templates", models, 1), std::optional<std::size_t>(2));
    QCOMPARE(shown, QStringList({QStringLiteral("TAVRIN-A"), QStringLiteral("TAVRIN-B"),
                                 QString::fromLatin1("K\xE4lla")}));
    // Closed without OK: no choice.
    onNextModal([](QWidget* w) { w->close(); });
    QCOMPARE(prompter.Choose("Network Templates", models, 0), std::nullopt);
}

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
