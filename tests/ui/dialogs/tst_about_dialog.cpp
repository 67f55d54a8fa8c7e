#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/dialogs/about_dialog.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

class TestAboutDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The dialogs take their texts from the table, as the window loads it.
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }

    void showsBrandVersionAndLogoAtItsOwnSize() {
        CAboutDialog dialog(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.objectName(), u"100"_s);
        QCOMPARE(dialog.windowTitle(), u"About"_s);
        QVERIFY(dialog.isModal());
        QCOMPARE(dialog.findChild<QLabel*>(u"1025"_s)->text(), u"Zuvo"_s);
        QCOMPARE(dialog.findChild<QLabel*>(u"1024"_s)->text(), u"4.2.5"_s);
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            labels << label->text();
        }
        QVERIFY(labels.contains(u"Version:"_s));

        // The logo has the bitmap's own size and shows the bitmap.
        auto* logo = dialog.findChild<QLabel*>(u"1028"_s);
        QVERIFY(logo != nullptr);
        const QImage bitmap(u":/bitmaps/293.bmp"_s);
        QVERIFY(!bitmap.isNull());
        QCOMPARE(logo->size(), bitmap.size());
        // Every pixel of the bitmap but the key colour around its corners is shown as it is.
        const QImage shown = logo->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb background = dialog.palette().color(QPalette::Window).rgb();
        int keyPixels = 0;
        for (int y = 0; y < bitmap.height(); ++y) {
            for (int x = 0; x < bitmap.width(); ++x) {
                const QRgb pixel = bitmap.pixel(x, y) & 0xFFFFFF;
                const bool key = pixel == 0xFF00FF;
                keyPixels += key ? 1 : 0;
                QCOMPARE(shown.pixel(x, y) & 0xFFFFFF, key ? background & 0xFFFFFF : pixel);
            }
        }
        QVERIFY(keyPixels > 0);
        QVERIFY(!logo->geometry().intersects(dialog.findChild<QLabel*>(u"1025"_s)->geometry()));
    }

    // "Help" opens the help page and leaves the box open; "Close" is the default and, like
    // Escape, closes it. With web links off there is no "Help".
    void helpFollowsWebLinksAndCloseCloses() {
        for (const bool escape : {false, true}) {
            CAboutDialog dialog(true);
            int helps = 0;
            dialog.SetHelpCallback([&helps] { ++helps; });
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            auto* help = dialog.findChild<QPushButton*>(QString::number(Cmd::Help));
            auto* close = dialog.findChild<QPushButton*>(QString::number(Cmd::Ok));
            QVERIFY(help->isVisible());
            QCOMPARE(help->text(), u"Help"_s);
            QCOMPARE(close->text(), u"Close"_s);
            QVERIFY(close->isDefault());
            QCOMPARE(QApplication::focusWidget(), close);
            QTest::keyClick(close, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), help);
            QTest::keyClick(help, Qt::Key_Space);
            QCOMPARE(helps, 1);
            QVERIFY(dialog.isVisible());
            QTest::keyClick(QApplication::focusWidget(), escape ? Qt::Key_Escape : Qt::Key_Return);
            if (escape) {
                QVERIFY(!dialog.isVisible());
            } else {
                // Enter on the focused "Help" presses it; Enter from elsewhere is "Close".
                QCOMPARE(helps, 2);
                close->setFocus();
                QTest::keyClick(close, Qt::Key_Return);
                QVERIFY(!dialog.isVisible());
            }
        }

        CAboutDialog dialog(false);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(!dialog.findChild<QPushButton*>(QString::number(Cmd::Help))->isVisible());
        QVERIFY(dialog.findChild<QPushButton*>(QString::number(Cmd::Ok))->isVisible());
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_about_dialog.moc"
