#include <QAccessible>
#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringList>
#include <QTimer>

#include <chrono>

#include "app/core/display_platform.h"
#include "app/core/telephony_loader.h"
#include "app/shell/first_paint_watch.h"
#include "app/shell/phone_app.h"
#include "app/shell/termination_signals.h"
#include "app/ui/main_window.h"
#include "platform/time_report.h"

int main(int argc, char* argv[]) {
    // Decided before the application object exists: it opens the display.
    if (const auto platform =
            zuvo::ChooseDisplayPlatform(zuvo::DisplayEnvironment::FromProcess())) {
        qputenv("QT_QPA_PLATFORM", *platform);
    }
    QApplication application(argc, argv);
    // What the window would load or start while the telephony library loads comes first: the
    // display plug-in (with the application object), the image plug-ins the skin is read with,
    // and the accessibility bridge with its D-Bus thread (the first control's name). Loading holds
    // the dynamic loader's lock most of that time, which also every new thread needs.
    QImageReader::supportedImageFormats();
    QAccessible::isActive();
    // A thread's first regular-expression match registers its JIT stack for the thread's end,
    // which takes the loader's lock too.
    static_cast<void>(QRegularExpression(QStringLiteral("x")).match(QStringLiteral("x")));
    QApplication::setApplicationName(QStringLiteral("Zuvo"));
    // The desktop matches the windows to the menu entry (its icon, its name, the taskbar) by
    // this name; on Wayland it is the window's app id.
    QGuiApplication::setDesktopFileName(QStringLiteral("zuvo"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The telephony library (about a hundred and eighty libraries with liblinphone's) loads on a
    // thread of its own once the sign-in dialog is on the screen: mapping it beside the window's
    // start slowed that start by about half. A sign-in without the dialog starts it as it asks
    // for the server configuration, and anything that needs the engine starts it too; at the
    // latest it starts after a second.
    const auto loadTelephony = [] { zuvo::TelephonyLoader::Process().Start(); };
    application.installEventFilter(new zuvo::FirstPaintWatch(
        "zuvo::CSigninDialog",
        [loadTelephony] {
            // For timing the start from outside (bench/run).
            zuvo::ReportTime("first paint");
            QTimer::singleShot(0, loadTelephony);
        },
        &application));
    QTimer::singleShot(std::chrono::seconds(1), loadTelephony);
    // Without its library the phone can do nothing: that is told first, whatever else fails.
    if (!QFileInfo::exists(zuvo::TelephonyLoader::ModulePath())) {
        loadTelephony();
    }

    QStringList words = QApplication::arguments();
    words.removeFirst();
    zuvo::CPhoneApp phone;
    if (phone.InitInstance(words.join(u' '))) {
        zuvo::TerminationSignals signals(
            [&phone] { phone.mainWindow()->port().PostMessage(zuvo::Wm::Close); });
        QApplication::exec();
    }
    return phone.ExitInstance();
}
