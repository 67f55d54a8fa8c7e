#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/dialogs/message_box.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

class TestMessageBox : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The dialogs take their texts from the table, as the window loads it.
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }

    // Box texts may come from the service (a balance reply's AMOUNT and TRIGGER): markup in them
    // is shown as it is, never rendered as a link.
    void serviceTextsShowAsPlainText() {
        const QString text = u"4.10 <a href=\"http://127.0.0.1/top-up\">Top up</a>"_s;
        const QString title = u"<b>5.00</b>"_s;
        QString shownText;
        QString shownTitle;
        Qt::TextFormat format = Qt::RichText;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            poll.stop();
            if (auto* label = box->findChild<QLabel*>(u"qt_msgbox_label"_s)) {
                format = label->textFormat();
                shownText = label->text();
            }
            shownTitle = box->windowTitle();
            box->button(QMessageBox::Ok)->click();
        });
        poll.start(10);
        QCOMPARE(ShowMessageBox(nullptr, text, MessageIcon::None, MessageButtons::Ok, title),
                 Cmd::Ok);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shownText, text);
        QCOMPARE(shownTitle, title);
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
