#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "app/dialogs/call_history_dialog.h"
#include "app/strings/string_table.h"
#include "contacts/call_history.h"
#include "contacts/call_history_selection.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

CallHistory HistoryOf(int count) {
    CallHistory history;
    for (int i = count; i >= 1; --i) {
        history.Add(u"44%1"_s.arg(i, 4, 10, QChar(u'0')));  // newest is "440001"
    }
    return history;
}

QTableWidget* List(QWidget& dialog) {
    return dialog.findChild<QTableWidget*>(QString::number(Ctl::CallHistory::List));
}

int SelectedRow(QWidget& dialog) {
    const QList<QTableWidgetSelectionRange> ranges = List(dialog)->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

}  // namespace

class TestCallHistoryDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The dialogs take their texts from the table, as the window loads it.
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }

    void rowsColumnsAndFirstSelection() {
        const CallHistory history = HistoryOf(3);
        CallHistorySelection selection;
        selection.Open(history.Count());
        CCallHistoryDialog dialog(history, selection);
        QCOMPARE(dialog.windowTitle(), u"Call History"_s);
        QVERIFY(!dialog.isModal());
        QTableWidget* list = List(dialog);
        QVERIFY(list);
        QCOMPARE(list->columnCount(), 2);
        QCOMPARE(list->rowCount(), 10);
        QCOMPARE(list->horizontalHeaderItem(0)->text(), u"Key"_s);
        QCOMPARE(list->horizontalHeaderItem(1)->text(), u"Phone Number"_s);
        // 20 and 150 pixels, or as wide as the heading needs where that is more.
        QCOMPARE(list->columnWidth(0), std::max(20, list->horizontalHeader()->sectionSizeHint(0)));
        QCOMPARE(list->columnWidth(1), 150);
        QVERIFY(list->showGrid());
        QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(list->item(9, 0)->text(), u"10"_s);
        QCOMPARE(list->item(0, 0)->text(), u"1"_s);
        QCOMPARE(list->item(0, 1)->text(), u"440001"_s);
        QCOMPARE(list->item(2, 1)->text(), u"440003"_s);
        QVERIFY(list->item(3, 1)->text().isEmpty());
        QCOMPARE(SelectedRow(dialog), 0);

        CallHistory empty;
        CallHistorySelection none;
        none.Open(0);
        CCallHistoryDialog nothing(empty, none);
        QCOMPARE(SelectedRow(nothing), -1);
    }

    void typedDigitsSelectRowsThatHoldEntries() {
        const CallHistory history = HistoryOf(3);
        CallHistorySelection selection;
        selection.Open(history.Count());
        CCallHistoryDialog dialog(history, selection);
        dialog.show();
        QTableWidget* list = List(dialog);

        QTest::keyClick(list, Qt::Key_3);
        QCOMPARE(SelectedRow(dialog), 2);
        QCOMPARE(selection.SelectedEntry(), 2);
        QTest::keyClick(list, Qt::Key_5);  // beyond the history: no change
        QCOMPARE(SelectedRow(dialog), 2);
        QTest::keyClick(list, Qt::Key_0);  // row 10
        QCOMPARE(SelectedRow(dialog), 2);
        QTest::keyClick(list, Qt::Key_1);
        QCOMPARE(SelectedRow(dialog), 0);

        const CallHistory full = HistoryOf(12);
        CallHistorySelection fullSelection;
        fullSelection.Open(full.Count());
        CCallHistoryDialog fullDialog(full, fullSelection);
        fullDialog.show();
        QTest::keyClick(List(fullDialog), Qt::Key_0);
        QCOMPARE(SelectedRow(fullDialog), 9);
        QCOMPARE(fullSelection.SelectedEntry(), 9);

        // The handset moves the window's selection; the dialog shows it.
        fullSelection.Move(-1);
        fullDialog.ShowSelection(fullSelection.Selected());
        QCOMPARE(SelectedRow(fullDialog), 8);
    }

    void buttonsAndDoubleClickReport() {
        const CallHistory history = HistoryOf(4);
        CallHistorySelection selection;
        selection.Open(history.Count());
        CCallHistoryDialog dialog(history, selection);
        QList<WPARAM> reports;
        dialog.SetResultCallback([&](WPARAM w) { reports << w; });
        dialog.show();

        dialog.findChild<QPushButton*>(QString::number(Cmd::Ok))->click();
        dialog.findChild<QPushButton*>(QString::number(Cmd::Cancel))->click();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(reports, (QList<WPARAM>{2, 1, 1}));
        // The main window decides when the dialog goes.
        QVERIFY(dialog.isVisible());

        QTableWidget* list = List(dialog);
        const QRect cell = list->visualItemRect(list->item(3, 1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(selection.SelectedEntry(), 3);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(reports.last(), WPARAM{2});
        QCOMPARE(selection.SelectedEntry(), 3);
    }

    void centredOnItsParent() {
        QWidget parent;
        parent.setGeometry(200, 150, 600, 500);
        parent.show();
        const CallHistory history = HistoryOf(1);
        CallHistorySelection selection;
        selection.Open(history.Count());
        auto* dialog = new CCallHistoryDialog(history, selection, &parent);
        dialog->show();
        const QPoint offset = dialog->frameGeometry().center() - parent.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 2,
                 qPrintable(u"offset %1,%2"_s.arg(offset.x()).arg(offset.y())));

        const QString dir = qEnvironmentVariable("ZUVO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) {
            QDir().mkpath(dir);
            QVERIFY(dialog->grab().save(dir + u"/call_history_dialog.png"_s));
        }
    }
};

QTEST_MAIN(TestCallHistoryDialog)
#include "platform/ids.h"
#include "tst_call_history_dialog.moc"
