#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QTest>

#include "app/shell/first_paint_watch.h"

using namespace zuvo;

namespace {

// A window that counts its paints, like the sign-in dialog would be watched.
class CountingDialog : public QDialog {
    Q_OBJECT

public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Qt::white);
        ++paints;
    }
};

}  // namespace

class TestFirstPaintWatch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Called once, after the watched window has painted; other windows and later paints do not
    // call it, and the window still gets every paint.
    void callsOnceAfterTheWatchedWindowPainted() {
        int calls = 0;
        int paintsAtCall = -1;
        CountingDialog watched;
        auto* watch = new FirstPaintWatch(
            "CountingDialog",
            [&] {
                ++calls;
                paintsAtCall = watched.paints;
            },
            qApp);
        qApp->installEventFilter(watch);

        QWidget other;
        other.resize(80, 40);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        other.repaint();
        QCOMPARE(calls, 0);

        watched.resize(120, 60);
        watched.show();
        QVERIFY(QTest::qWaitForWindowExposed(&watched));
        QTRY_COMPARE(calls, 1);
        QCOMPARE(paintsAtCall, 1);

        watched.repaint();
        watched.repaint();
        QCOMPARE(watched.paints, 3);
        QCOMPARE(calls, 1);
        delete watch;
    }
};

QTEST_MAIN(TestFirstPaintWatch)
#include "tst_first_paint_watch.moc"
