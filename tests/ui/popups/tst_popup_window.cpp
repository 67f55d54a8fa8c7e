// The phone's own browser window on the real web engine, against the provider simulator.

#include <QtTest>

#include <QDirIterator>
#include <QLoggingCategory>
#include <QScreen>

#include <unistd.h>

#include "app/core/deployment.h"
#include "app/ui/bus_guard.h"
#include "app/ui/main_window.h"
#include "app/ui/popup_window_host.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "popups/browser/browser_plugin.h"
#include "popups/popup_store.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kPageTime = std::chrono::seconds(30);

const QByteArray kAccounts = R"({
  "accounts": [{"account": "12345", "pin": "9876"}],
  "pages": {
    "news.htm": "<html><head><title>News</title></head><body><h1>News</h1></body></html>",
    "offers.htm": "<html><head><title>Offers</title></head><body><h1>Offers</h1></body></html>",
    "clicks.htm": "<html><head><title>clicks</title></head><body style='margin:0'><div id='pad' style='height:100px'>pad</div><a id='l' href='/offers.htm' target='_blank' style='display:block;width:400px;height:200px;background:#ccc'>offers</a><script>document.getElementById('pad').addEventListener('mousedown', e => { document.title += e.button == 2 ? ' right' : e.button == 1 ? ' middle' : ' left'; }); document.addEventListener('contextmenu', () => { document.title += ' menu'; });</script></body></html>"
  }
})";

// Every logged message, to look for secrets in.
QStringList g_messages;
void Collect(QtMsgType, const QMessageLogContext& context, const QString& message) {
    g_messages << QString::fromUtf8(context.category) + u' ' + message;
}

QString ProcessCommandLines() {
    QString all;
    QDirIterator it(u"/proc"_s, QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        QFile file(it.next() + u"/cmdline"_s);
        if (file.open(QIODevice::ReadOnly)) {
            all += QString::fromUtf8(file.readAll().replace('\0', ' ')) + u'\n';
        }
    }
    return all;
}

}  // namespace

class TestPopupWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::ProviderSimulator> m_sim;
    std::unique_ptr<CMainWindow> m_window;

    CMainWindow& Window() {
        m_window = std::make_unique<CMainWindow>();
        QCoreApplication::removePostedEvents(&m_window->port());  // no sign-in dialog
        m_window->move(500, 300);
        m_window->show();
        static_cast<void>(QTest::qWaitForWindowExposed(m_window.get()));
        return *m_window;
    }
    void Command(int id) { m_window->port().SendMessage(Wm::Command, static_cast<WPARAM>(id), 0); }
    IPopupWindow* Popup() const { return m_window->popupWindow(); }
    // Runs open, then waits until the simulator was asked for target once more and the window
    // says the page is done.
    bool Load(const std::function<void()>& open, const QString& target) {
        const qsizetype before = m_sim->RequestTargets().count(target);
        open();
        return WaitForPage([&] {
            return Popup() != nullptr && Popup()->StatusText() == u"Done"_s &&
                   m_sim->RequestTargets().count(target) > before;
        });
    }
    // Waits up to kPageTime for done; when it does not come, logs where the window got to, as
    // these waits are the ones that would fail on a slow machine.
    bool WaitForPage(const std::function<bool()>& done) {
        if (test::WaitUntil(done, kPageTime)) {
            return true;
        }
        if (IPopupWindow* popup = Popup()) {
            qWarning().noquote() << "the page did not get there: status" << popup->StatusText()
                                 << "progress" << popup->ProgressShown() << "title"
                                 << popup->PageTitle() << "at" << popup->PageUrl() << "requests"
                                 << m_sim->RequestTargets().join(u' ');
        } else {
            qWarning() << "the page did not get there: no window";
        }
        return false;
    }
    bool Open(const QString& page, int cx, int cy) {
        return Load([&] { QVERIFY(m_window->OpenPopupWindow(page, cx, cy)); }, u'/' + page);
    }
    // The page's own surface, where the mouse goes.
    QWidget* Surface() const {
        auto* view = Popup() ? Popup()->Widget()->findChild<QWidget*>(u"browser"_s) : nullptr;
        return view ? view->focusProxy() : nullptr;
    }
    // Clicks the middle button on the page's padding until the page has seen a click.
    bool TakesInput(QWidget* surface) {
        const auto deadline = std::chrono::steady_clock::now() + kPageTime;
        while (std::chrono::steady_clock::now() < deadline) {
            QTest::mouseClick(surface, Qt::MiddleButton, {}, QPoint(50, 50));
            if (test::WaitUntil([&] { return Popup()->PageTitle().contains(u"middle"_s); },
                                std::chrono::milliseconds(500))) {
                return true;
            }
        }
        return false;
    }
    int OpenWindows() const {
        int count = 0;
        for (QWidget* w : QApplication::allWidgets()) {
            count += w->objectName() == u"browser"_s && w->window()->isVisible() ? 1 : 0;
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QGuiApplication::primaryScreen()->size().width(), 1280); }
    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_sim = std::make_unique<test::ProviderSimulator>(m_env->path(u"sim"_s), kAccounts);
        QVERIFY2(m_sim->Start(), qPrintable(m_sim->error()));
        // Before any sign-in the pages come from the configured web server.
        Profile::Phone().WriteString(u"Network"_s, u"Web Server"_s, m_sim->httpHost());
        qputenv("ZUVO_HOME_HOST", m_sim->httpHost().toUtf8());
    }
    void cleanup() {
        m_window.reset();
        m_sim.reset();
        m_env.reset();
        qunsetenv("ZUVO_HOME_HOST");
    }

    // As root with the engine's sandbox on, the engine would end the whole phone: no page opens
    // and the phone carries on. First, before anything in this process started the engine.
    void noPageAsRootWithTheSandboxOn() {
        const QString disable = u"QTWEBENGINE_DISABLE_SANDBOX"_s;
        const QString flags = u"QTWEBENGINE_CHROMIUM_FLAGS"_s;
        QProcessEnvironment environment;
        QVERIFY(PopupWindowHost::EngineCanStart(false, environment));
        QVERIFY(!PopupWindowHost::EngineCanStart(true, environment));
        environment.insert(disable, u"0"_s);
        QVERIFY(!PopupWindowHost::EngineCanStart(true, environment));
        environment.insert(flags, u"--proxy-server=http://127.0.0.1:9 --no-sandboxing"_s);
        QVERIFY(!PopupWindowHost::EngineCanStart(true, environment));
        environment.insert(flags, u"--proxy-server=http://127.0.0.1:9 --no-sandbox"_s);
        QVERIFY(PopupWindowHost::EngineCanStart(true, environment));
        environment.remove(flags);
        environment.insert(disable, u"1"_s);
        QVERIFY(PopupWindowHost::EngineCanStart(true, environment));

        if (geteuid() != 0) {
            QSKIP("the phone does not run as root here");
        }
        const QByteArray saved = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        CMainWindow& w = Window();
        const bool opened = w.OpenPopupWindow(u"index.htm"_s, 640, 480);
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", saved);
        QVERIFY(!opened);
        QVERIFY(Popup() == nullptr);
        QVERIFY(w.isVisible());
    }

    // Each page command opens its address in the one window, from the configured web server.
    void everyPageCommandOpensInTheOneWindow() {
        CMainWindow& w = Window();
        QVERIFY(Popup() == nullptr);
        const QString ver = w.state().settings.version;
        const struct {
            int command;
            QString target;
        } pages[] = {
            {Cmd::Account, u"/ZuvoDialler/phone.ashx?task=UA&key=&ver="_s + ver},
            {Cmd::Rates, u"/?task=RT&key=&ver="_s + ver},
            {Cmd::Help, u"/ZuvoDialler/phone.ashx?task=OH&ver="_s + ver},
            {Cmd::Support, u"/?task=CS&key=&ver="_s + ver},
            {Cmd::HomePage, u"/?task=CS&key=&ver="_s + ver},
        };
        QWidget* first = nullptr;
        for (const auto& page : pages) {
            QVERIFY2(Load([&] { Command(page.command); }, page.target), qPrintable(page.target));
            QCOMPARE(Popup()->Url(), u"http://"_s + m_sim->httpHost() + page.target);
            if (first == nullptr) {
                first = Popup()->Widget();
                QCOMPARE(first->windowTitle(), Deployment::PopupCaption());
                QVERIFY(first->windowTitle().contains(u"www."_s));
            }
            QCOMPARE(Popup()->Widget(), first);
            QCOMPARE(OpenWindows(), 1);
            QVERIFY(!Popup()->ProgressShown());
        }
        QCOMPARE(Popup()->PageTitle(), u"Customer service"_s);

        // Help follows "WebLinks": off, the help command opens nothing.
        PreferencesPage off;
        off.webLinks = false;
        w.port().SendMessage(Msg::PreferencesApplied, 0, reinterpret_cast<LPARAM>(&off));
        const qsizetype before = m_sim->RequestTargets().size();
        QVERIFY(Load(
            [&] {
                Command(Cmd::Help);
                Command(Cmd::Rates);
            },
            u"/?task=RT&key=&ver="_s + ver));
        QCOMPARE(m_sim->RequestTargets().size(), before + 1);
    }

    // The status bar follows a slow page: "Downloading..." with the progress pane, then "Done"
    // without it. A page that never ends keeps the pane; one that is missing still ends.
    void statusBarFollowsASlowPage() {
        Window();
        QVERIFY(m_window->OpenPopupWindow(u"slow.htm?seconds=3"_s, 640, 480));
        QCOMPARE(Popup()->Url(), u"http://"_s + m_sim->httpHost() + u"/slow.htm?seconds=3"_s);
        QVERIFY(WaitForPage([&] {
            return Popup()->StatusText() == u"Downloading..."_s && Popup()->ProgressShown();
        }));
        QVERIFY(WaitForPage([&] { return Popup()->StatusText() == u"Done"_s; }));
        QVERIFY(!Popup()->ProgressShown());

        QVERIFY(m_window->OpenPopupWindow(u"never.htm"_s, 640, 480));
        QVERIFY(WaitForPage([&] {
            return m_sim->RequestTargets().contains(u"/never.htm"_s) &&
                   Popup()->StatusText() == u"Downloading..."_s && Popup()->ProgressShown();
        }));
        QVERIFY(Open(u"missing.htm"_s, 640, 480));
        QVERIFY(!Popup()->ProgressShown());
    }

    // A new window is centred over the phone with a page area of cx x cy; a second page reuses
    // it without moving it and takes cx x cy as its outer size; both stay inside the screen.
    // Closed, it is forgotten, and the next page opens a new one, centred again.
    void windowSizeReuseAndClose() {
        CMainWindow& w = Window();
        QVERIFY(Open(u"news.htm"_s, 800, 600));
        QWidget* frame = Popup()->Widget();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QCOMPARE(frame->size(), QSize(800, 600));
        QVERIFY((frame->frameGeometry().center() - w.frameGeometry().center()).manhattanLength() <=
                4);
        frame->move(frame->pos() + QPoint(37, 21));
        const QPoint moved = frame->pos();

        QVERIFY(Open(u"offers.htm"_s, 500, 400));
        QCOMPARE(Popup()->Widget(), frame);
        QCOMPARE(frame->frameGeometry().size(), QSize(500, 400));
        QCOMPARE(frame->pos(), moved);

        // Wider than the 1280-pixel screen: 1260.
        QVERIFY(m_window->OpenPopupWindow(u"news.htm"_s, 2000, 300));
        QCOMPARE(frame->frameGeometry().width(), 1260);
        QCOMPARE(frame->pos(), moved);
        // A size below any use is raised to a sane minimum.
        QVERIFY(m_window->OpenPopupWindow(u"news.htm"_s, -5, 0));
        QVERIFY(frame->frameGeometry().width() >= PopupWindowHost::kMinSide);
        QVERIFY(frame->frameGeometry().height() >= PopupWindowHost::kMinSide);

        QPointer<QWidget> gone(frame);
        QVERIFY(frame->close());
        QVERIFY(Popup() == nullptr);
        QTRY_VERIFY(gone.isNull());

        QVERIFY(m_window->OpenPopupWindow(u"news.htm"_s, 2000, 300));
        QWidget* again = Popup()->Widget();
        QVERIFY(QTest::qWaitForWindowExposed(again));
        QCOMPARE(again->frameGeometry().width(), 1260);
        QVERIFY(again->frameGeometry().left() >= 0);
        QVERIFY(std::abs(again->frameGeometry().center().y() - w.frameGeometry().center().y()) <=
                2);
        QCOMPARE(OpenWindows(), 1);
        // It goes away with the phone.
        QPointer<QWidget> last(again);
        m_window.reset();
        QVERIFY(last.isNull());
    }

    // A link that asks for a new window opens in this one; right clicks never reach the page.
    void newWindowLinksAndRightClicksStayInTheWindow() {
        Window();
        QVERIFY(Open(u"clicks.htm"_s, 640, 480));
        QWidget* surface = Surface();
        QVERIFY(surface != nullptr);
        // A page that says "Done" may not take input yet: middle clicks until it has seen one.
        QVERIFY(TakesInput(surface));
        // A right click, then a left one on the same spot: the page sees only the left one.
        QTest::mouseClick(surface, Qt::RightButton, {}, QPoint(50, 50));
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, 50));
        QVERIFY(WaitForPage([&] { return Popup()->PageTitle().contains(u"left"_s); }));
        QVERIFY2(
            QRegularExpression(u"^clicks( middle)+ left$"_s).match(Popup()->PageTitle()).hasMatch(),
            qPrintable(Popup()->PageTitle()));
        // The link asks for a new window.
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(50, 200));
        QVERIFY(WaitForPage([&] { return Popup()->PageTitle() == u"Offers"_s; }));
        QVERIFY(m_sim->RequestTargets().contains(u"/offers.htm"_s));
        QCOMPARE(OpenWindows(), 1);
        QCOMPARE(Popup()->Url(), u"http://"_s + m_sim->httpHost() + u"/clicks.htm"_s);
        QCOMPARE(QUrl(Popup()->PageUrl()).path(), u"/offers.htm"_s);
    }

    // The schedule message shows the due message of the stored list, only while the service
    // and the user allow pop-ups; an expired one leaves the list and the store.
    void scheduleMessageShowsTheStoredMessage() {
        Profile profile = Profile::Phone();
        const int64_t now = QDateTime::currentSecsSinceEpoch();
        PopupRecord due;
        due.name = u"news.htm"_s;
        due.expiry = now + 86400;
        due.freq = 0;
        due.cx = 420;
        due.cy = 320;
        PopupRecord expired = due;
        expired.name = u"gone.htm"_s;
        expired.expiry = now - 60;
        PopupSchedule stored(PopupClock{now, now}, {expired, due});
        QVERIFY(PopupStore::Save(profile, stored).done);

        CMainWindow& w = Window();
        QCOMPARE(w.popups().records().size(), size_t{2});
        const auto event = [&] { return w.port().SendMessage(Msg::PopupSchedule, 1, 0); };
        QCOMPARE(event(), 0);  // the service has not enabled pop-ups
        w.mutableState().service.popupsAvailable = true;
        w.mutableState().settings.popupsEnabled = false;
        QCOMPARE(event(), 0);  // the user turned them off
        QVERIFY(Popup() == nullptr);
        w.mutableState().settings.popupsEnabled = true;
        QVERIFY(Load([&] { QCOMPARE(event(), 1); }, u"/news.htm"_s));
        QCOMPARE(Popup()->Widget()->size(), QSize(420, 320));
        QCOMPARE(w.popups().records().size(), size_t{1});
        QVERIFY(!profile.hive().KeyExists(profile.KeyPath(u"Popups\\gone.htm"_s)));
        QCOMPARE(event(), 0);  // once only
    }

    // A certificate that cannot be trusted stays an error: the page is neither fetched nor shown.
    void certificateErrorsStayErrors() {
        test::ProviderSimulator secure(m_env->path(u"secure"_s), kAccounts, true);
        QVERIFY2(secure.Start(), qPrintable(secure.error()));
        Window();
        const QString page = u"https://"_s + secure.httpsHost() + u"/news.htm"_s;
        QVERIFY(m_window->OpenPopupWindow(page, 400, 300));
        QCOMPARE(Popup()->Url(), page);
        QVERIFY(WaitForPage([&] { return Popup()->StatusText() == u"Done"_s; }));
        QVERIFY(Popup()->PageTitle() != u"News"_s);
        QVERIFY(!secure.RequestTargets().contains(u"/news.htm"_s));
    }

    // The pop-up messages are the window's own: another process can neither open a page nor
    // make the phone forget its window.
    void popupMessagesNeverComeFromTheBus() {
        for (const uint32_t message : {Msg::PopupSchedule, Msg::PopupClosed}) {
            QVERIFY(!AdmitFromBus(message, 1, 0, {}).has_value());
        }
        CMainWindow& w = Window();
        QVERIFY(Open(u"news.htm"_s, 400, 300));
        // In-process, the closing report makes it forget the window.
        w.port().SendMessage(Msg::PopupClosed, 0, 0);
        QVERIFY(Popup() == nullptr);
    }

    // Pages carry the request key: it appears in no log line and no command line, and the
    // off-the-record browser leaves nothing on disk.
    void theKeyStaysInThePage() {
        CMainWindow& w = Window();
        w.mutableState().account.number = u"12345"_s;
        w.account().password = u"9876"_s;
        w.RebuildRequestKey();
        QLoggingCategory::setFilterRules(u"zuvo.*.debug=true\njs.debug=true"_s);
        g_messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(Collect);
        Command(Cmd::Account);
        const QString prefix = u"/ZuvoDialler/phone.ashx?task=UA&key="_s;
        QString target;
        QVERIFY(WaitForPage([&] {
            for (const QString& t : m_sim->RequestTargets()) {
                if (t.startsWith(prefix)) {
                    target = t;
                }
            }
            return !target.isEmpty() && Popup()->StatusText() == u"Done"_s;
        }));
        const QString commandLines = ProcessCommandLines();
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
        const QString key = target.mid(prefix.size()).section(u'&', 0, 0);
        QVERIFY(key.size() >= 16);
        for (const QString& message : g_messages) {
            QVERIFY2(!message.contains(key), qPrintable(message));
        }
        QVERIFY(!commandLines.contains(key));
        QDirIterator files(m_env->root(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QVERIFY2(!path.contains(u"QtWebEngine"_s) && !path.contains(u"Cookies"_s),
                     qPrintable(path));
        }
    }
};

int main(int argc, char** argv) {
    // A 1280 x 1024 screen for the size cap.
    QTemporaryDir dir;
    const QString config = dir.filePath(u"screen.json"_s);
    QFile file(config);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(R"({"screens":[{"name":"wide","x":0,"y":0,"width":1280,"height":1024,)"
                   R"("logicalDpi":96,"logicalBpi":96,"dpr":1}]})");
        file.close();
    }
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    }
    QApplication app(argc, argv);
    TestPopupWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_popup_window.moc"
