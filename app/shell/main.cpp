#include <QApplication>
#include <QStringList>

#include "app/core/display_platform.h"
#include "app/shell/first_paint_report.h"
#include "app/shell/phone_app.h"
#include "app/shell/termination_signals.h"
#include "app/ui/main_window.h"

int main(int argc, char* argv[]) {
    // Decided before the application object exists: it opens the display.
    if (const auto platform =
            zuvo::ChooseDisplayPlatform(zuvo::DisplayEnvironment::FromProcess())) {
        qputenv("QT_QPA_PLATFORM", *platform);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zuvo"));
    // The desktop matches the windows to the menu entry (its icon, its name, the taskbar) by
    // this name; on Wayland it is the window's app id.
    QGuiApplication::setDesktopFileName(QStringLiteral("zuvo"));
    QApplication::setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIsSet("ZUVO_REPORT_TIMES")) {
        application.installEventFilter(
            new zuvo::FirstPaintReport("zuvo::CSigninDialog", &application));
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
