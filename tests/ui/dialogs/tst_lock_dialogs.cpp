#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResource>
#include <QTest>

#include "app/core/settings_store.h"
#include "app/dialogs/lock_dialog.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/unlock_dialog.h"
#include "app/logic/config_lock.h"
#include "app/logic/phone_state.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kMismatch = u"The PIN's you have entered do not match, please try again."_s;
const QString kShort = u"Please enter a PIN of 4 or more digits."_s;
const QString kWrong =
    u"Sorry, you have entered an incorrect administrators PIN.  Please try again."_s;

QLineEdit* Field(QWidget& dialog, int id) {
    return dialog.findChild<QLineEdit*>(QString::number(id));
}

QPushButton* Button(QWidget& dialog, int id) {
    return dialog.findChild<QPushButton*>(QString::number(id));
}

QString StoredPin() {
    return Profile::Phone().GetString(u"Configuration"_s, u"LockPIN"_s, u"<missing>"_s);
}

struct MessageRecorder {
    QList<MessageBoxRequest> boxes;
    MessageRecorder() {
        SetMessageBoxHook([this](const MessageBoxRequest& request) {
            boxes << request;
            return Cmd::Ok;
        });
    }
    ~MessageRecorder() { SetMessageBoxHook(nullptr); }
    QStringList Texts() const {
        QStringList texts;
        for (const MessageBoxRequest& box : boxes) {
            texts << box.title + u" | "_s + box.text;
        }
        return texts;
    }
};

// A phone's state and store as the window has them at start.
struct LockRig {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    PhoneState state;
    std::unique_ptr<ConfigLock> lock;
    LockRig() { Restart(); }
    void Restart() {
        state = PhoneState();
        state.settings = LoadSettings(profile, u"EN"_s);
        state.configLocked = !state.settings.lockPin.isEmpty();
        lock = std::make_unique<ConfigLock>(state, profile);
    }
};

void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    QTest::keyClicks(field, text);
}

}  // namespace

class TestLockDialogs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }

    void lockLooksAndTabsAsTheDialog() {
        LockRig rig;
        CLockDialog dialog(*rig.lock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.objectName(), u"332"_s);
        QCOMPARE(dialog.windowTitle(), u"Lock Phone Configuration"_s);
        QVERIFY(dialog.isModal());
        QLineEdit* pin = Field(dialog, Ctl::Lock::Pin);
        QLineEdit* confirmation = Field(dialog, Ctl::Lock::Confirmation);
        QVERIFY(pin && confirmation);
        QCOMPARE(pin->text(), QString());
        QCOMPARE(confirmation->text(), QString());
        QCOMPARE(QApplication::focusWidget(), pin);
        QCOMPARE(pin->maxLength(), 16);
        QCOMPARE(confirmation->maxLength(), 16);
        QCOMPARE(pin->echoMode(), QLineEdit::Password);
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            labels << label->text();
        }
        QCOMPARE(labels, (QStringList{u"Admin PIN"_s, u"Confirm PIN"_s, u"(Min 4 digits)"_s}));
        QCOMPARE(Button(dialog, Cmd::Ok)->text(), u"OK"_s);
        QCOMPARE(Button(dialog, Cmd::Cancel)->text(), u"Cancel"_s);
        QVERIFY(Button(dialog, Cmd::Ok)->isDefault());

        // Tab goes PIN, confirmation, OK, Cancel.
        QList<QWidget*> order{QApplication::focusWidget()};
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget();
        }
        QCOMPARE(order, (QList<QWidget*>{pin, confirmation, Button(dialog, Cmd::Ok),
                                         Button(dialog, Cmd::Cancel)}));
    }

    // Mismatch, then a short PIN: told each time, both fields emptied, the PIN focused, the
    // dialog open and nothing stored. Then the same four characters twice (Enter = OK) lock it.
    void lockMismatchShortAndRight() {
        LockRig rig;
        MessageRecorder messages;
        CLockDialog dialog(*rig.lock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* pin = Field(dialog, Ctl::Lock::Pin);
        QLineEdit* confirmation = Field(dialog, Ctl::Lock::Confirmation);

        Type(pin, u"1234"_s);
        Type(confirmation, u"1235"_s);
        Button(dialog, Cmd::Ok)->click();
        QCOMPARE(messages.Texts(), QStringList{u"PIN's don't match | "_s + kMismatch});
        QVERIFY(dialog.isVisible());
        QCOMPARE(pin->text(), QString());
        QCOMPARE(confirmation->text(), QString());
        QCOMPARE(QApplication::focusWidget(), pin);
        QVERIFY(!rig.state.configLocked);

        messages.boxes.clear();
        Type(pin, u"abc"_s);
        Type(confirmation, u"abc"_s);
        QTest::keyClick(confirmation, Qt::Key_Return);
        QCOMPARE(messages.Texts(), QStringList{u"Illegal PIN | "_s + kShort});
        QVERIFY(dialog.isVisible());
        QCOMPARE(pin->text(), QString());
        QCOMPARE(confirmation->text(), QString());
        QCOMPARE(QApplication::focusWidget(), pin);
        QVERIFY(!rig.state.configLocked);
        QCOMPARE(StoredPin(), u"<missing>"_s);

        messages.boxes.clear();
        Type(pin, u"Ab1x"_s);
        Type(confirmation, u"Ab1x"_s);
        QTest::keyClick(confirmation, Qt::Key_Enter);
        QVERIFY(messages.boxes.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(rig.state.configLocked);
        QCOMPARE(rig.state.settings.lockPin, u"Ab1x"_s);
        QCOMPARE(StoredPin(), u"Ab1x"_s);
    }

    // Escape and Cancel leave the phone as it was, whatever was typed.
    void lockCancelChangesNothing() {
        LockRig rig;
        MessageRecorder messages;
        for (const bool escape : {true, false}) {
            CLockDialog dialog(*rig.lock);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            Type(Field(dialog, Ctl::Lock::Pin), u"5678"_s);
            Type(Field(dialog, Ctl::Lock::Confirmation), u"5678"_s);
            if (escape) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            } else {
                Button(dialog, Cmd::Cancel)->click();
            }
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QVERIFY(messages.boxes.isEmpty());
        QVERIFY(!rig.state.configLocked);
        QCOMPARE(StoredPin(), u"<missing>"_s);
    }

    // Nothing typed or pasted gets past sixteen characters or leaves half a character: what
    // OK stores is what the field shows.
    void pinFieldsTakeAtMostSixteenCharacters() {
        LockRig rig;
        MessageRecorder messages;
        CLockDialog dialog(*rig.lock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* pin = Field(dialog, Ctl::Lock::Pin);
        QLineEdit* confirmation = Field(dialog, Ctl::Lock::Confirmation);
        const QString seventeen = u"abcdefghijklmnopq"_s;
        Type(pin, seventeen);
        QCOMPARE(pin->text(), seventeen.left(16));

        // Pasted: cut to the field's length.
        QApplication::clipboard()->setText(seventeen);
        confirmation->setFocus();
        confirmation->paste();
        QCOMPARE(confirmation->text(), seventeen.left(16));
        // A paste whose cut would split a character, or that holds a control character, is
        // not taken at all.
        confirmation->clear();
        QApplication::clipboard()->setText(QString(15, u'1') + u"\U0001F600"_s);
        confirmation->paste();
        QCOMPARE(confirmation->text(), QString());
        QApplication::clipboard()->setText(u"12\u000734"_s);
        confirmation->paste();
        QCOMPARE(confirmation->text(), QString());

        confirmation->setText(seventeen);  // not even set from code
        QCOMPARE(confirmation->text(), seventeen.left(16));
        confirmation->clear();
        Type(confirmation, seventeen);
        Button(dialog, Cmd::Ok)->click();
        QVERIFY(messages.boxes.isEmpty());
        QCOMPARE(StoredPin(), seventeen.left(16));
    }

    // Wrong PINs (case matters) are told and keep the lock; the right one removes it for good.
    void unlockWrongAndRight() {
        LockRig rig;
        QCOMPARE(rig.lock->Lock(u"Secret1"_s, u"Secret1"_s), ConfigLock::Refusal::None);
        rig.Restart();
        QVERIFY(rig.state.configLocked);
        MessageRecorder messages;
        for (const QString& wrong : {u"secret1"_s, u"Secret"_s, QString()}) {
            CUnlockDialog dialog(*rig.lock);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            QLineEdit* pin = Field(dialog, Ctl::Unlock::Pin);
            QCOMPARE(QApplication::focusWidget(), pin);
            Type(pin, wrong);
            QTest::keyClick(pin, Qt::Key_Return);
            QCOMPARE(messages.Texts(), QStringList{u"Illegal PIN | "_s + kWrong});
            messages.boxes.clear();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(rig.state.configLocked);
            QCOMPARE(StoredPin(), u"Secret1"_s);
        }

        CUnlockDialog dialog(*rig.lock);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.objectName(), u"331"_s);
        QCOMPARE(dialog.windowTitle(), u"Unlock Phone Configuration"_s);
        auto* permanently = dialog.findChild<QCheckBox*>(QString::number(Ctl::Unlock::Permanently));
        QVERIFY(permanently != nullptr);
        QCOMPARE(permanently->text(), u"Permanently unlock"_s);
        QVERIFY(!permanently->isVisible());
        QVERIFY(Button(dialog, Cmd::Ok)->isDefault());
        QTest::keyClick(Field(dialog, Ctl::Unlock::Pin), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Button(dialog, Cmd::Ok));
        Type(Field(dialog, Ctl::Unlock::Pin), u"Secret1"_s);
        Button(dialog, Cmd::Ok)->click();
        QVERIFY(messages.boxes.isEmpty());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!rig.state.configLocked);
        QCOMPARE(StoredPin(), QString());
        rig.Restart();
        QVERIFY(!rig.state.configLocked);

        // Cancel on a locked phone keeps the lock.
        QCOMPARE(rig.lock->Lock(u"9999"_s, u"9999"_s), ConfigLock::Refusal::None);
        CUnlockDialog cancelled(*rig.lock);
        cancelled.show();
        QVERIFY(QTest::qWaitForWindowActive(&cancelled));
        Type(Field(cancelled, Ctl::Unlock::Pin), u"9999"_s);
        QTest::keyClick(Field(cancelled, Ctl::Unlock::Pin), Qt::Key_Escape);
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QVERIFY(rig.state.configLocked);
        QCOMPARE(StoredPin(), u"9999"_s);
    }

    // With the French bundle loaded the messages come from it.
    void messagesComeFromTheLanguageBundle() {
        const QString bundle = test::LanguageBundlePath(u"FR"_s);
        QVERIFY(QResource::registerResource(bundle, u"/lang"_s));
        QVERIFY(StringTable::Global().Load());
        LockRig rig;
        MessageRecorder messages;
        CLockDialog dialog(*rig.lock);
        dialog.show();
        Type(Field(dialog, Ctl::Lock::Pin), u"12"_s);
        Type(Field(dialog, Ctl::Lock::Confirmation), u"12"_s);
        Button(dialog, Cmd::Ok)->click();
        QResource::unregisterResource(bundle, u"/lang"_s);
        QVERIFY(StringTable::Global().Load());
        QCOMPARE(messages.Texts(),
                 QStringList{u"Code PIN non valide | Veuillez saisir un code PIN d'au moins 4 "
                             u"chiffres."_s});
    }
};

QTEST_MAIN(TestLockDialogs)
#include "tst_lock_dialogs.moc"
