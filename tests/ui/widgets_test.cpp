// The smaller pieces: file dialog filters and the message boxes.

#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "base/strings.h"
#include "device_harness.h"
#include "ui/file_names.h"
#include "ui/qt_prompter.h"

using namespace skelvane;
using test::onNextModal;

class WidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void fileDialogFilter();
    void messageBoxAnswers();
    void modelChoiceList();
};

void WidgetsTest::fileDialogFilter() {
    const std::pair<std::string_view, QString> tables[] = {
        {LoadText(kIdsNetworkFilter), QStringLiteral("Network Files (*.xml);;All Files (*.*)")},
        {"Logs|*.txt;*.log|", QStringLiteral("Logs (*.txt *.log)")},
        // A description without its pattern is left out.
        {"Binary (*.bin)|*.bin|Broken", QStringLiteral("Binary (*.bin)")},
    };
    for (const auto& [table, filter] : tables) {
        QCOMPARE(skelvane::fileDialogFilter(table), filter);
    }
}

void WidgetsTest::messageBoxAnswers() {
    struct Case {
        MessageButtons buttons;
        int press;  // a QMessageBox::StandardButton; 0: close the box, -1: press Escape
        Answer answer;
    };
    const Case cases[] = {
        {MessageButtons::YesNo, QMessageBox::Yes, Answer::Yes},
        {MessageButtons::YesNoCancel, QMessageBox::Cancel, Answer::Cancel},
        // Closing a Yes/No box or pressing Escape answers neither (No may mean "go ahead").
        {MessageButtons::YesNo, 0, Answer::Cancel},
        {MessageButtons::YesNo, -1, Answer::Cancel},
    };
    for (const Case& c : cases) {
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
            if (c.press == 0) {
                box->close();
            } else if (c.press < 0) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->button(static_cast<QMessageBox::StandardButton>(c.press))->click();
            }
        });
        QCOMPARE(prompter.Message(LoadText(kIdsNameEmpty), LoadText(kIdsError),
                                  MessageIcon::Exclamation, c.buttons),
                 c.answer);
        QCOMPARE(text, QStringLiteral("The name is empty.\nCannot have an empty name."));
        QCOMPARE(caption, QStringLiteral("Error"));
    }
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
