// End to end: a click on a contact's number in the phone book window places the call, and the
// far end receives it through the registrar. The window runs in this process, the phone in its
// own, as a second program would drive a running phone.

#include <QtTest>

#include <QDir>
#include <QFile>

#include "app/strings/string_table.h"
#include "contacts/phonebook/contact_tree.h"
#include "contacts/phonebook/phone_book.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

class PhoneBookCallTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void clickingANumberCallsIt() {
        TestEnvironment env;
        PhonePeers::Options options;
        options.scenario = u"uas_answer_hang_up.xml"_s;
        options.sippArguments = {u"-d"_s, u"1000"_s};
        PhonePeers peers(env.path(u"peers"_s), options);
        QVERIFY2(peers.Start(), qPrintable(peers.error()));
        // This process shares the phone's settings, bus and data folders.
        const QProcessEnvironment phoneEnv = peers.Environment();
        for (const QString& name : phoneEnv.keys()) {
            if (name.startsWith(u"XDG_"_s) || name.startsWith(u"ZUVO_"_s) || name == u"HOME"_s) {
                qputenv(name.toLocal8Bit().constData(), phoneEnv.value(name).toLocal8Bit());
            }
        }
        QVERIFY(StringTable::Global().Load());

        const QString book = phoneEnv.value(u"XDG_DATA_HOME"_s) + u"/contacts/zuvo"_s;
        QVERIFY(QDir().mkpath(book));
        QFile card(book + u"/far-end.vcf"_s);
        QVERIFY(card.open(QIODevice::WriteOnly));
        card.write(
            "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Far End\r\nN:End;Far;;;\r\n"
            "TEL;TYPE=WORK,VOICE:4420\r\nEND:VCARD\r\n");
        card.close();

        IdlePhone phone(peers);
        QVERIFY(phone.Launch());
        QVERIFY2(phone.WaitUntilIdleAndSignedIn(std::chrono::seconds(30)),
                 phone.Output().constData());

        CPhoneBook window(nullptr);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        CContactTree* tree = window.tree();
        const auto found = tree->findItems(u"Far End"_s, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        QTreeWidgetItem* contact = found.first();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->visualItemRect(contact).center());
        QVERIFY(contact->isExpanded());
        QTreeWidgetItem* number = contact->child(0);
        QCOMPARE(number->text(0), u"4420"_s);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier,
                          tree->NumberTextRect(number).center());

        // The phone dials the number in its international form, through the registrar.
        QVERIFY2(WaitUntil([&] { return peers.FarEndSaw(u"INVITE sip:+4420@"_s); },
                           std::chrono::seconds(20)),
                 qPrintable(peers.FarEndMessages().left(1500) + QString::fromUtf8(phone.Output())));
        window.close();
    }
};

QTEST_MAIN(PhoneBookCallTest)
#include "tst_phone_book_call.moc"
