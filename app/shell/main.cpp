#include <QApplication>
#include <QStringList>

#include "app/shell/first_paint_report.h"
#include "app/shell/phone_app.h"
#include "app/shell/termination_signals.h"
#include "app/ui/main_window.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zuvo"));
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
