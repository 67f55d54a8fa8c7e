#include <QtTest>

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QResource>
#include <QScreen>
#include <QTimer>

#include "app/core/app_globals.h"
#include "app/core/deployment.h"
#include "app/core/settings_store.h"
#include "app/dialogs/message_box.h"
#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/context_menu.h"
#include "app/ui/control_table.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "app/ui/signin_connection.h"
#include "app/ui/worker_return.h"
#include "platform/ids.h"
#include "platform/speed_dial_store.h"
#include "popups/browser/browser_plugin.h"
#include "service/request_cipher.h"
#include "service/request_key.h"
#include "skin/make_region.h"
#include "skin/skin_button.h"
#include "skin/tool_tip_control.h"
#include "tests/support/file_system_limits.h"
#include "tests/ui/support/window_test.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

// Records the areas the window repaints.
class PaintSpy : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

// A left click delivered to the control itself, as the window system delivers it.
void Click(QWidget* target, QPoint at) {
    for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, target->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

// What the window shows now, as the window system has it (not a fresh rendering).
QImage Shown(QWidget& window) {
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Pixels that differ between two images of the same size.
int DifferentPixels(const QImage& a, const QImage& b) {
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            count += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

class TestMainWindow : public test::WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void regionLeavesOutTheMagenta() {
        CMainWindow& w = Window();
        QCOMPARE(w.size(), QSize(260, 470));
        const QRegion shape = w.mask();
        QVERIFY(!shape.isEmpty());
        QVERIFY(!shape.contains(QPoint(0, 0)));  // corner outside the rounded body
        QVERIFY(!shape.contains(QPoint(259, 469)));
        QVERIFY(shape.contains(QPoint(130, 140)));  // the display
        for (const ControlEntry& key : kKeypadControls) {
            QVERIFY(shape.contains(key.rect.center()));
        }
        QCOMPARE(w.windowTitle(), u"Zuvo"_s);
    }

    void controlsHaveTheirIdsRectanglesAndTips() {
        CMainWindow& w = Window();
        for (const ControlEntry& key : kKeypadControls) {
            CSkinButton* b = w.button(key.id);
            QVERIFY2(b != nullptr, qPrintable(QString::number(key.id)));
            QCOMPARE(b->geometry(), key.rect);
            QCOMPARE(w.toolTips()->TextAt(b, QPoint(5, 20)), QString());  // no speed dial yet
        }
        QCOMPARE(w.button(Cmd::Call)->geometry(), WinRect(150, 390, 236, 446));
        QCOMPARE(w.toolTips()->TextAt(w.button(Cmd::Call), QPoint(40, 30)), u"Make call"_s);
        QCOMPARE(w.toolTips()->TextAt(w.button(Cmd::HangUp), QPoint(20, 8)),
                 u"End call / clear display"_s);
        QCOMPARE(w.toolTips()->TextAt(w.button(Cmd::SignOut), QPoint(10, 9)), u"Sign out"_s);
        QCOMPARE(w.button(Cmd::Rates)->geometry().size(), QSize(0, 0));
        QCOMPARE(w.toolTips()->TextAt(&w, QPoint(100, 110)), u"Sign-in / call status"_s);
        QCOMPARE(w.toolTips()->TextAt(&w, QPoint(100, 140)), u"Phone number"_s);
        auto* speaker = w.findChild<QWidget*>(QString::number(Cmd::SpkVolume));
        QVERIFY(speaker != nullptr);
        QCOMPARE(speaker->geometry(), kSpeakerSliderRect);
        QCOMPARE(w.toolTips()->TextAt(speaker, QPoint(5, 5)), u"Speaker volume"_s);
    }

    void hiddenButtonsFollowTheSettings() {
        Profile profile = Profile::Phone();
        profile.WriteInt(u"Settings"_s, u"PhoneBookEnabled"_s, 0);
        profile.WriteInt(u"Settings"_s, u"AccountInfo"_s, 0);
        profile.WriteInt(u"Settings"_s, u"WebLinks"_s, 0);
        CMainWindow& w = Window();
        QVERIFY(!w.button(Cmd::PhoneBook)->isVisible());
        QVERIFY(!w.button(Cmd::Account)->isVisible());
        QVERIFY(!w.button(Cmd::HomePageButton)->isVisible());
        QVERIFY(!w.button(Cmd::Rates)->isVisible());
        QVERIFY(w.button(Cmd::Redial)->isVisible());
    }

    void appliedPreferencesShowAndHideButtons() {
        CMainWindow& w = Window();
        PreferencesPage page;
        page.accountButton = false;
        page.webLinks = false;
        page.displayBalance = false;
        w.port().SendMessage(Msg::PreferencesApplied, 0, reinterpret_cast<LPARAM>(&page));
        QVERIFY(!w.button(Cmd::Account)->isVisible());
        QVERIFY(!w.button(Cmd::HomePageButton)->isVisible());
        QVERIFY(w.button(Cmd::PhoneBook)->isVisible());
        Profile profile = Profile::Phone();
        QCOMPARE(profile.GetInt(u"Settings"_s, u"WebLinks"_s, 1), 0);
        QCOMPARE(profile.GetInt(u"Settings"_s, u"DisplayBalance"_s, 1), 0);
        page.webLinks = true;
        w.port().SendMessage(Msg::PreferencesApplied, 0, reinterpret_cast<LPARAM>(&page));
        QVERIFY(w.button(Cmd::HomePageButton)->isVisible());
    }

    void preferencesCommandOpensOneSheetAndTakesThePortBack() {
        Profile profile = Profile::Phone();
        profile.WriteInt(u"Network"_s, u"RTP Dynamic"_s, 0);
        profile.WriteInt(u"Network"_s, u"RTP Port"_s, 70000);
        CMainWindow& w = Window();
        QVERIFY(!w.preferencesOpen());
        QWidget* firstSheet = nullptr;
        QString title;
        bool secondRefused = false;
        bool openWhileShown = false;
        QTimer::singleShot(0, &w, [&] {
            firstSheet = QApplication::activeModalWidget();
            openWhileShown = w.preferencesOpen();
            title = firstSheet != nullptr ? firstSheet->windowTitle() : QString();
            // A second command while the sheet is up opens nothing more.
            w.port().SendMessage(Wm::Command, Cmd::Preferences, 0);
            // Nor does another dialog come up over it.
            w.port().SendMessage(Wm::Command, Cmd::About, 0);
            secondRefused = QApplication::activeModalWidget() == firstSheet &&
                            w.state().modal.IsOpen(ModalDialog::Preferences);
            if (firstSheet != nullptr) {
                QTest::keyClick(firstSheet, Qt::Key_Escape);
            }
        });
        w.port().SendMessage(Wm::Command, Cmd::Preferences, 0);
        QVERIFY(firstSheet != nullptr);
        QCOMPARE(title, u"Preferences"_s);
        QVERIFY(openWhileShown);
        QVERIFY(secondRefused);
        QVERIFY(!w.preferencesOpen());
        QVERIFY(!w.state().modal.IsOpen());
        // Cancelled: the clamped port is what the window keeps; the store is untouched.
        QCOMPARE(w.state().settings.rtpPort, 65534);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Port"_s, 0), 70000);

        // OK with a fixed port: the options reach the window and the port is stored.
        QTimer::singleShot(0, &w, [&] {
            QWidget* sheet = QApplication::activeModalWidget();
            QVERIFY(sheet != nullptr);
            auto* box = sheet->findChild<QLineEdit*>(QString::number(118));
            auto* balance = sheet->findChild<QCheckBox*>(QString::number(1046));
            balance->click();
            box->setText(u"40000"_s);
            sheet->findChild<QPushButton*>(QString::number(Cmd::Ok))->click();
        });
        w.port().SendMessage(Wm::Command, Cmd::Preferences, 0);
        QVERIFY(!w.preferencesOpen());
        QCOMPARE(w.state().settings.rtpPort, 40000);
        QVERIFY(!w.state().settings.rtpDynamic);
        QVERIFY(!w.state().settings.displayBalance);
        QCOMPARE(profile.GetInt(u"Network"_s, u"RTP Port"_s, 0), 40000);
        QCOMPARE(profile.GetInt(u"Settings"_s, u"DisplayBalance"_s, 1), 0);
    }

    void menuAndAcceleratorsComeFromResources() {
        QList<int> ids;
        for (const MenuResourceItem& item : LoadContextMenuResource()) {
            ids << item.id;
        }
        QCOMPARE(ids, (QList<int>{0, Cmd::AudioSettings, Cmd::Preferences, Cmd::ProxySettings, 0,
                                  Cmd::HomePage, Cmd::LockConfig, Cmd::UnlockConfig, 0, Cmd::About,
                                  Cmd::SignOutMenu}));
        QCOMPARE(LoadContextMenuResource().at(5).text, QString());  // the site-name entry
        const auto keys = LoadAccelerators();
        QVERIFY(keys.contains({QKeySequence(u"Ctrl+C"_s), Cmd::Copy}));
        QVERIFY(keys.contains({QKeySequence(u"Ctrl+V"_s), Cmd::Paste}));

        // A loaded French bundle carries its own menu; the accelerators stay the program's.
        const QString bundle = test::LanguageBundlePath(u"FR"_s);
        QVERIFY(QResource::registerResource(bundle, u"/lang"_s));
        QCOMPARE(LoadContextMenuResource().at(1).text, u"R\u00E9glages &audio..."_s);
        QCOMPARE(LoadAccelerators().size(), keys.size());
        QResource::unregisterResource(bundle, u"/lang"_s);
        QCOMPARE(LoadContextMenuResource().at(1).text, u"&Audio Settings..."_s);
    }

    void displayTextsFollowTheState() {
        CMainWindow& w = Window();
        PhoneState& s = w.mutableState();
        QCOMPARE(PhoneDisplay::StatusText(s), u"Signed out"_s);
        s.signin.signingIn = true;
        QCOMPARE(PhoneDisplay::StatusText(s), u"Signing in..."_s);
        s.connectionState = RTCRS_REGISTERED;
        s.callStatus = CallStatus::ReadyToCall;
        QCOMPARE(PhoneDisplay::StatusText(s), u"Ready to call"_s);
        s.call.muted = true;
        QCOMPARE(PhoneDisplay::StatusText(s), u"Mute"_s);
        s.call.autoDial = true;
        QCOMPARE(PhoneDisplay::StatusText(s), u"Calling..."_s);
        s.call.autoDial = false;
        s.call.muted = false;
        s.callStatus = CallStatus::PleaseWait;
        QCOMPARE(PhoneDisplay::StatusText(s), u"Please wait"_s);
        s.call.clock = CallClock{100, 3823, 3723, true};
        QCOMPARE(PhoneDisplay::StatusText(s), u"01:02:03"_s);
        s.settings.displayTimer = false;
        QCOMPARE(PhoneDisplay::StatusText(s), u"Please wait"_s);

        s.display.balanceText = u"\u20AC 4.10"_s;
        s.call.active = false;
        QCOMPARE(PhoneDisplay::BalanceText(s), u"\u20AC 4.10"_s);
        s.call.active = true;
        QCOMPARE(PhoneDisplay::BalanceText(s), QString());
        s.call.active = false;
        s.settings.displayBalance = false;
        QCOMPARE(PhoneDisplay::BalanceText(s), QString());

        s.call.active = true;
        s.display.minutesShown = true;
        QVERIFY(PhoneDisplay::ShowsMinutes(s));
    }

    void helpBeforeTheFirstSignInGoesToTheConfiguredWebServer() {
        // The deployment's host when nothing is stored, else the stored "Web Server".
        for (const QString& stored : {QString(), u"help.zuvo.test:8080"_s}) {
            if (!stored.isEmpty()) {
                Profile::Phone().WriteString(u"Network"_s, u"Web Server"_s, stored);
            }
            CMainWindow& w = Window();
            QVERIFY(w.popupWindow() == nullptr);
            w.port().SendMessage(Wm::Command, MakeWParam(static_cast<uint16_t>(Cmd::Help), 0), 0);
            QVERIFY(w.popupWindow() != nullptr);
            const QUrl url(w.popupWindow()->Url());
            const QString host = stored.isEmpty() ? Deployment::DefaultWebHost() : stored;
            QCOMPARE(url.authority(), host);
            QVERIFY(url.toString().startsWith(u"http://"_s + host + u"/ZuvoDialler/"_s));
            CloseWindow();
        }
    }

    void keyRebuildOfAnEndedSignInLeavesTheCurrentKeyAlone() {
        auto cipher = std::make_shared<service::RequestCipher>();
        cipher->InitRequestCipher();
        auto key = std::make_shared<service::RequestKey>(*cipher);
        const auto inputs = [](const QString& account, const QString& pin) {
            service::RequestKeyInputs in;
            in.accountNumber = account;
            in.pin = pin;
            in.version = u"5.85.EN.000.600.002"_s;
            return in;
        };
        auto oldRun = std::make_shared<WorkerReturn>(nullptr);
        SigninConnection old(oldRun, cipher, key, inputs(u"111"_s, u"1111"_s), u"127.0.0.1"_s);
        // Sign-out, then the next account signs in.
        oldRun->Cancel();
        auto newRun = std::make_shared<WorkerReturn>(nullptr);
        SigninConnection current(newRun, cipher, key, inputs(u"222"_s, u"2222"_s), u"127.0.0.1"_s);
        const QString currentKey = current.RebuildRequestKey(u"222"_s);
        QVERIFY(!currentKey.isEmpty());
        // The old sign-in's connect thread was slow and rebuilds only now.
        const QString lateKey = old.RebuildRequestKey(u"111"_s);
        QVERIFY(lateKey != currentKey);
        QCOMPARE(key->Current(), currentKey);
        // The current sign-in still rebuilds as before.
        QCOMPARE(current.RebuildRequestKey(u"222"_s), currentKey);
        QCOMPARE(key->Current(), currentKey);
    }

    void longNumbersShowTheirLastFortyCharacters() {
        const QString n25 = u"1234567890123456789012345"_s;
        QCOMPARE(PhoneDisplay::NumberLines(n25), (QStringList{u"12345"_s, n25.right(20)}));
        const QString n45 = QString(u"abcde"_s) + u"0123456789"_s.repeated(4);
        const QStringList lines = PhoneDisplay::NumberLines(n45);
        QCOMPARE(lines[0] + lines[1], n45.right(40));
        QCOMPARE(PhoneDisplay::NumberLines(u"12"_s), (QStringList{QString(), u"12"_s}));
    }

    void typingRepaintsOnlyTheNumberArea() {
        CMainWindow& w = Window();
        PaintSpy spy;
        w.installEventFilter(&spy);
        QTest::qWait(50);
        spy.painted = QRegion();
        QTest::keyClick(&w, Qt::Key_7);
        QTRY_VERIFY(!spy.painted.isEmpty());
        QCOMPARE(w.state().display.numberLine, u"7"_s);
        QVERIFY(spy.painted.boundingRect().intersects(kNumberArea));
        QVERIFY(!spy.painted.intersects(QRegion(w.button(Cmd::Key0 + 5)->geometry())));
        QVERIFY(!spy.painted.intersects(QRegion(kStatusArea)));
        QVERIFY(kNumberArea.contains(spy.painted.boundingRect()));
        w.removeEventFilter(&spy);
    }

    void keypadClicksAndTheLimit() {
        CMainWindow& w = Window();
        Click(w.button(Cmd::Key0 + 4), QPoint(20, 20));
        Click(w.button(Cmd::Key0 + 2), QPoint(20, 20));
        QCOMPARE(w.state().display.numberLine, u"42"_s);
        QTest::keyClick(&w, Qt::Key_Backspace);
        QCOMPARE(w.state().display.numberLine, u"4"_s);
        for (int i = 0; i < 45; ++i) {
            QTest::keyClick(&w, Qt::Key_9);
        }
        QCOMPARE(w.state().display.numberLine.size(), 40);
        Click(w.button(Cmd::HangUp), QPoint(20, 8));
        QCOMPARE(w.state().display.numberLine, QString());
    }

    // A double click on a function button is one click: one page, not two.
    void doubleClickRunsTheCommandOnce() {
        CMainWindow& w = Window();
        CSkinButton* home = w.button(Cmd::HomePageButton);
        QVERIFY(home->isVisible());
        const QPoint at = home->rect().center();
        QTest::mouseClick(home, Qt::LeftButton, {}, at);
        QVERIFY(w.popupWindow() != nullptr);
        // Closed again: a page opened by the double click would bring a new window.
        QVERIFY(w.popupWindow()->Widget()->close());
        QVERIFY(w.popupWindow() == nullptr);
        // Qt hands a widget the second click of a double click as a double click and a release.
        QTest::mouseDClick(home, Qt::LeftButton, {}, at);
        QTest::mouseRelease(home, Qt::LeftButton, {}, at);
        QVERIFY(w.popupWindow() == nullptr);
        // The next separate click counts again.
        QTest::mouseClick(home, Qt::LeftButton, {}, at);
        QVERIFY(w.popupWindow() != nullptr);
    }

    // After each change of the status line what the window shows equals a fresh full paint: no
    // piece of the old text stays behind, in English or in the longer French texts.
    void statusRedrawLeavesNothingOfTheOldText() {
        const QString bundle = test::LanguageBundlePath(u"FR"_s);
        for (const bool french : {false, true}) {
            if (french) {
                QVERIFY(QResource::registerResource(bundle, u"/lang"_s));
            }
            CMainWindow& w = Window();
            QTest::qWait(50);
            PhoneState& s = w.mutableState();
            const auto check = [&w](const char* step) {
                w.RedrawStatus();
                QTest::qWait(50);
                const QImage partial = Shown(w);
                w.repaint();
                const QImage full = Shown(w);
                QCOMPARE(partial.size(), full.size());
                QVERIFY2(DifferentPixels(partial, full) == 0, step);
            };
            s.signin.signingIn = true;
            check("signed out -> signing in");
            s.signin.signingIn = false;
            s.connectionState = RTCRS_REGISTERED;
            s.callStatus = CallStatus::ReadyToCall;
            check("signing in -> ready to call");
            s.callStatus = CallStatus::AnsweringMachine;
            check("ready to call -> answering machine");
            s.callStatus = CallStatus::RemotePartyOffline;
            check("answering machine -> remote party offline");
            s.connectionState = RTCRS_NOT_REGISTERED;
            check("remote party offline -> signed out");
            CloseWindow();
            if (french) {
                QResource::unregisterResource(bundle, u"/lang"_s);
                StringTable::Global().Load();
            }
        }
    }

    // The keypad tool tips take string 4000 from the loaded language.
    void keypadTipsComeFromTheStringTable() {
        Profile profile = Profile::Phone();
        profile.hive().WriteString(profile.KeyPath(SpeedDialStore::kSection), u"Nu1"_s,
                                   u"0123;Maman"_s);
        const QString bundle = test::LanguageBundlePath(u"FR"_s);
        QVERIFY(QResource::registerResource(bundle, u"/lang"_s));
        App().language = u"FR"_s;
        CMainWindow& w = Window();
        const QString tip = w.toolTips()->TextAt(w.button(Cmd::Key0 + 1), QPoint(5, 20));
        App().language = u"EN"_s;
        QResource::unregisterResource(bundle, u"/lang"_s);
        StringTable::Global().Load();
        QCOMPARE(tip, u"Maintenir pour composer - Maman"_s);
        w.port().SendMessage(Msg::SpeedDialTooltip, 1, 0);
        QCOMPARE(w.toolTips()->TextAt(w.button(Cmd::Key0 + 1), QPoint(5, 20)),
                 u"Hold to dial - Maman"_s);
    }

    // A settings file that cannot be written (here: one nobody may change, root included): the
    // values are read, and at close the user is told once, in a box titled with the brand, that
    // the call history and volumes were not saved. An unattended phone only logs it.
    void unsavedSettingsAreToldOnce() {
        const QString path = Registry::CurrentUserPath();
        {
            Registry hive(path);
            QVERIFY(
                hive.WriteString(Profile::PhoneRoot() + u"\\Call History"_s, u"Nu0"_s, u"0123"_s));
        }
        test::ImmutableFile frozen(path);
        if (!frozen.ok()) {
            QSKIP(qPrintable(u"cannot make a file read-only here: "_s + frozen.error()));
        }
        QList<MessageBoxRequest> boxes;
        SetMessageBoxHook([&boxes](const MessageBoxRequest& box) {
            boxes << box;
            return int(Cmd::Ok);
        });
        CMainWindow& w = Window();
        QCOMPARE(w.history().Number(0), u"0123"_s);
        w.port().SendMessage(Wm::Close, 0, 0);
        w.port().SendMessage(Wm::Close, 0, 0);
        SetMessageBoxHook(nullptr);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, u"Zuvo"_s);
        QVERIFY2(boxes[0].text.contains(u"could not be saved"_s), qPrintable(boxes[0].text));
        QVERIFY2(boxes[0].text.contains(u"readonly"_s), qPrintable(boxes[0].text));

        boxes.clear();
        SetMessageBoxHook([&boxes](const MessageBoxRequest& box) {
            boxes << box;
            return int(Cmd::Ok);
        });
        CMainWindow& unattended = Window();
        unattended.mutableState().unattended.enabled = true;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be saved"_s));
        unattended.port().SendMessage(Wm::Close, 0, 0);
        SetMessageBoxHook(nullptr);
        QVERIFY(boxes.isEmpty());
    }

    // The same on a full disk (a small file system filled while the phone runs).
    void fullDiskAtCloseIsTold() {
        test::SmallFileSystem small(QFileInfo(Registry::CurrentUserPath()).absolutePath(), 512);
        if (!small.ok()) {
            QSKIP(qPrintable(u"cannot mount a small file system here: "_s + small.error()));
        }
        CMainWindow& w = Window();
        QVERIFY(small.Fill());
        QList<MessageBoxRequest> boxes;
        SetMessageBoxHook([&boxes](const MessageBoxRequest& box) {
            boxes << box;
            return int(Cmd::Ok);
        });
        w.port().SendMessage(Wm::Close, 0, 0);
        SetMessageBoxHook(nullptr);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, u"Zuvo"_s);
        QVERIFY2(boxes[0].text.contains(u"full"_s) || boxes[0].text.contains(u"space"_s),
                 qPrintable(boxes[0].text));
        CloseWindow();
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
