#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/dialogs/message_box.h"
#include "app/dialogs/proxy_dialog.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"
#include "platform/profile.h"
#include "tests/support/test_environment.h"

using namespace zuvo;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSection = u"Network\\Proxy"_s;
const QStringList kEdits{
    QString::number(Ctl::Proxy::Address), QString::number(Ctl::Proxy::HttpPort),
    QString::number(Ctl::Proxy::HttpsPort), QString::number(Ctl::Proxy::UserName),
    QString::number(Ctl::Proxy::Password)};

QLineEdit* Edit(QWidget& dialog, const QString& id) {
    return dialog.findChild<QLineEdit*>(id);
}

QRadioButton* Radio(QWidget& dialog, int id) {
    return dialog.findChild<QRadioButton*>(QString::number(id));
}

bool EditsEnabled(QWidget& dialog, bool enabled) {
    for (const QString& id : kEdits) {
        if (Edit(dialog, id)->isEnabled() != enabled) {
            return false;
        }
    }
    return true;
}

// A click on the radio's own mark, as a user would make it.
void Choose(QRadioButton* radio) {
    QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(6, radio->height() / 2));
}

service::ProxySettings Explicit() {
    service::ProxySettings settings;
    settings.mode = service::ProxySettings::Explicit;
    settings.address = u"proxy.local"_s;
    settings.httpPort = 3128;
    settings.httpsPort = 8443;
    settings.userName = u"user"_s;
    settings.password = u"secret"_s;
    return settings;
}

struct MessageRecorder {
    QStringList texts;
    MessageRecorder() {
        SetMessageBoxHook([this](const MessageBoxRequest& request) {
            texts << request.text;
            return Cmd::Ok;
        });
    }
    ~MessageRecorder() { SetMessageBoxHook(nullptr); }
};

}  // namespace

class TestProxyDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(StringTable::Global().Load()); }

    void radiosFollowTheModeAndEnableTheEdits() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        service::ProxySettings settings;  // mode 1
        CProxyDialog dialog(settings, profile);
        dialog.show();
        QCOMPARE(dialog.windowTitle(), u"HTTP Proxy Server Settings"_s);
        QVERIFY(Radio(dialog, Ctl::Proxy::DesktopProxy)->isChecked());
        QVERIFY(EditsEnabled(dialog, false));
        QCOMPARE(Edit(dialog, QString::number(Ctl::Proxy::Password))->echoMode(),
                 QLineEdit::Password);

        Choose(Radio(dialog, Ctl::Proxy::ExplicitProxy));
        QVERIFY(EditsEnabled(dialog, true));
        Choose(Radio(dialog, Ctl::Proxy::NoProxy));
        QVERIFY(EditsEnabled(dialog, false));

        CProxyDialog explicitDialog(Explicit(), profile);
        QVERIFY(Radio(explicitDialog, Ctl::Proxy::ExplicitProxy)->isChecked());
        QVERIFY(EditsEnabled(explicitDialog, true));
        QCOMPARE(Edit(explicitDialog, QString::number(Ctl::Proxy::HttpsPort))->text(), u"8443"_s);

        settings.mode = 9;  // unknown: shown as no proxy
        CProxyDialog unknown(settings, profile);
        QVERIFY(Radio(unknown, Ctl::Proxy::NoProxy)->isChecked());
        QVERIFY(EditsEnabled(unknown, false));
    }

    void badPortsAreRefusedAndNothingIsWritten() {
        test::TestEnvironment env;
        Profile profile = Profile::Phone();
        MessageRecorder messages;
        CProxyDialog dialog(Explicit(), profile);
        dialog.show();
        auto* ok = dialog.findChild<QPushButton*>(QString::number(Cmd::Ok));
        const QString expected = u"Please enter an integer between 1 and 65535."_s;

        for (const auto& [id, text] :
             QList<QPair<QString, QString>>{{QString::number(Ctl::Proxy::HttpPort), u"0"_s},
                                            {QString::number(Ctl::Proxy::HttpPort), u"abc"_s},
                                            {QString::number(Ctl::Proxy::HttpPort), QString()},
                                            {QString::number(Ctl::Proxy::HttpsPort), u"65536"_s},
                                            {QString::number(Ctl::Proxy::HttpsPort), u"-5"_s}}) {
            Edit(dialog, QString::number(Ctl::Proxy::HttpPort))->setText(u"3128"_s);
            Edit(dialog, QString::number(Ctl::Proxy::HttpsPort))->setText(u"8443"_s);
            Edit(dialog, id)->setText(text);
            messages.texts.clear();
            ok->click();
            QCOMPARE(messages.texts, QStringList{expected});
            QVERIFY(dialog.isVisible());
            QCOMPARE(dialog.focusWidget(), Edit(dialog, id));
        }
        QVERIFY(!profile.hive().Query(profile.KeyPath(kSection), u"Status"_s));

        // The bounds themselves are fine.
        Edit(dialog, QString::number(Ctl::Proxy::HttpPort))->setText(u"1"_s);
        Edit(dialog, QString::number(Ctl::Proxy::HttpsPort))->setText(u"65535"_s);
        ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.settings().httpPort, 1);
        QCOMPARE(dialog.settings().httpsPort, 65535);
    }

    void okTrimsAndStoresCancelWritesNothing() {
        test::TestEnvironment env;
        MessageRecorder messages;
        Profile profile = Profile::Phone();
        {
            CProxyDialog dialog(Explicit(), profile);
            dialog.show();
            Edit(dialog, QString::number(Ctl::Proxy::Address))->setText(u"  proxy.example  "_s);
            Edit(dialog, QString::number(Ctl::Proxy::HttpPort))->setText(u" 8080 "_s);
            Edit(dialog, QString::number(Ctl::Proxy::UserName))->setText(u"\tbob "_s);
            Edit(dialog, QString::number(Ctl::Proxy::Password))->setText(u" pw "_s);
            dialog.findChild<QPushButton*>(QString::number(Cmd::Cancel))->click();
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QVERIFY(!profile.hive().Query(profile.KeyPath(kSection), u"Address"_s));
            QCOMPARE(dialog.settings().address, u"proxy.local"_s);
        }
        {
            CProxyDialog dialog(Explicit(), profile);
            dialog.show();
            Edit(dialog, QString::number(Ctl::Proxy::Address))->setText(u"  proxy.example  "_s);
            Edit(dialog, QString::number(Ctl::Proxy::HttpPort))->setText(u" 8080 "_s);
            Edit(dialog, QString::number(Ctl::Proxy::UserName))->setText(u"\tbob "_s);
            Edit(dialog, QString::number(Ctl::Proxy::Password))->setText(u" pw "_s);
            dialog.findChild<QPushButton*>(QString::number(Cmd::Ok))->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(profile.GetInt(kSection, u"Status"_s, -1), 2);
            QCOMPARE(profile.GetString(kSection, u"Address"_s, QString()), u"proxy.example"_s);
            QCOMPARE(profile.GetString(kSection, u"Username"_s, QString()), u"bob"_s);
            QCOMPARE(profile.GetString(kSection, u"Password"_s, QString()), u"pw"_s);
            QCOMPARE(profile.GetInt(kSection, u"HTTP"_s, -1), 8080);
            QCOMPARE(profile.GetInt(kSection, u"HTTPS"_s, -1), 8443);
            QCOMPARE(dialog.settings().address, u"proxy.example"_s);
            QCOMPARE(dialog.settings().httpPort, 8080);
        }
        {
            // Choosing "No Proxy Server" stores mode 0; a bad port in the now disabled field
            // keeps its last good value instead of blocking OK.
            CProxyDialog dialog(Explicit(), profile);
            dialog.show();
            Edit(dialog, QString::number(Ctl::Proxy::HttpPort))->setText(u"99999"_s);
            Choose(Radio(dialog, Ctl::Proxy::NoProxy));
            dialog.findChild<QPushButton*>(QString::number(Cmd::Ok))->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(profile.GetInt(kSection, u"Status"_s, -1), 0);
            QCOMPARE(profile.GetInt(kSection, u"HTTP"_s, -1), 3128);
            QVERIFY(messages.texts.isEmpty());

            const QString dir = qEnvironmentVariable("ZUVO_SCREENSHOT_DIR");
            if (!dir.isEmpty()) {
                QDir().mkpath(dir);
                CProxyDialog shown(Explicit(), profile);
                shown.show();
                QVERIFY(shown.grab().save(dir + u"/proxy_dialog.png"_s));
            }
        }
    }
};

QTEST_MAIN(TestProxyDialog)
#include "tst_proxy_dialog.moc"
