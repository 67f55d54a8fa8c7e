#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/profile.h"
#include "telephony/discovery/connection_threads.h"
#include "telephony/discovery/hosts_file.h"
#include "telephony/discovery/sip_server_entry.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

TEST(ServerConfigurationTest, ReplyLists) {
    auto c = ParseServerConfiguration(
        u"PXY=[2;proxy1:5061:TLS;proxy2] HOSTS=[2;corp:10.0.0.5;bad;x:1.2.3.4] "
        u"WEB=[2;w1;w2] RETRIES=[3]"_s);
    ASSERT_TRUE(c.carriesServers);
    EXPECT_EQ(c.servers, (QList<SipServerEntry>{{u"proxy1:5061"_s, u"TLS"_s, u"proxy1"_s},
                                                {u"proxy2"_s, u"TCP"_s, u"proxy2"_s}}));
    // The count says two: the third item is not read; "bad" has no domain and gives no pair.
    EXPECT_EQ(c.hosts, (QList<HostsPair>{{u"corp"_s, u"10.0.0.5"_s}}));
    EXPECT_EQ(c.web, (QStringList{u"w1"_s, u"w2"_s}));
    EXPECT_EQ(c.retries, 3);

    c = ParseServerConfiguration(u"PXY=[0] HOSTS=[5;a:127.0.0.1]"_s);
    EXPECT_FALSE(c.carriesServers);
    EXPECT_TRUE(c.servers.isEmpty());
    EXPECT_EQ(c.hosts.size(), 1);  // a count beyond the items takes what is there

    c = ParseServerConfiguration(u"PXY=[1;127.0.0.1:5060:UDP] PXY=[1;second]"_s);
    EXPECT_EQ(c.servers.value(0), (SipServerEntry{u"127.0.0.1:5060"_s, u"UDP"_s, u"127.0.0.1"_s}));
    // Only a host, a port and a transport name reach the engine: an item without a host, with
    // a control character, a character that is no UTF-8 or markup is left out, the rest kept.
    c = ParseServerConfiguration(u"PXY=[1;:5060:UDP] PXY=[junk"_s);
    EXPECT_FALSE(c.carriesServers);
    c = ParseServerConfiguration(
        u"PXY=[5;127.0\u0000.0.1\uFFFD:5060:UDP;a\"/>b;h:99999;"
        u"h:5060:U DP;good.example:5070:TLS] WEB=[3;w\u0000;x/y;w2]"_s);
    EXPECT_EQ(c.servers,
              (QList<SipServerEntry>{{u"good.example:5070"_s, u"TLS"_s, u"good.example"_s}}));
    EXPECT_EQ(c.web, QStringList{u"w2"_s});
    EXPECT_FALSE(ParseServerConfiguration(u"PXY=[x;y]"_s).carriesServers);
}

TEST(WebServerListTest, ResolvedAddressKeepsThePort) {
    ConnectJob job;
    job.configuredWebServer = u"localhost:8080"_s;
    job.serverAddresses = {u"a"_s, QString()};
    EXPECT_EQ(WebServerList(job, u"127.0.0.1"_s),
              (QStringList{u"localhost:8080"_s, u"a"_s, u"127.0.0.1:8080"_s}));
    job.serverAddresses = {};
    EXPECT_EQ(WebServerList(job, u"0.0.0.0"_s), (QStringList{u"localhost:8080"_s, u"0.0.0.0"_s}));
}

TEST(HostsFileTest, FirstRunSecondRunCommentsAndReplacement) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    const QString hosts = HostsFilePath();
    ASSERT_EQ(hosts, env.path(u"hosts"_s));
    WriteAll(hosts,
             "127.0.0.1\tlocalhost\n"
             "# 9.9.9.9\t_sip._tls.corp\n"
             "1.1.1.1\t_sip._tls.corp\n");
    ::chmod(QFile::encodeName(hosts).constData(), 0644);

    ASSERT_TRUE(UpdateHostsFile(profile, {{u"corp"_s, u"10.0.0.5"_s}}, hosts));
    EXPECT_EQ(ReadAll(hosts),
              "127.0.0.1\tlocalhost\n"
              "# 9.9.9.9\t_sip._tls.corp\n"
              "10.0.0.5\t_sip._tls.corp\n"
              "10.0.0.5\t_sip._ssl.corp\n");
    EXPECT_EQ(profile.GetString(u"Network"_s, u"corp"_s, QString()), u"10.0.0.5"_s);
    EXPECT_EQ(profile.GetInt(u"Network"_s, u"SSL Hosts"_s, 0), 1);
    EXPECT_EQ(QFileInfo(hosts).permissions() & QFile::ReadOther, QFile::ReadOther);

    // Nothing changed and the file exists: it is not touched at all (not even read).
    ::chmod(QFile::encodeName(hosts).constData(), 0);
    EXPECT_TRUE(UpdateHostsFile(profile, {{u"corp"_s, u"10.0.0.5"_s}}, hosts));
    ::chmod(QFile::encodeName(hosts).constData(), 0644);

    // A new address replaces both lines in place.
    ASSERT_TRUE(UpdateHostsFile(profile, {{u"corp"_s, u"10.0.0.6"_s}}, hosts));
    EXPECT_EQ(ReadAll(hosts),
              "127.0.0.1\tlocalhost\n"
              "# 9.9.9.9\t_sip._tls.corp\n"
              "10.0.0.6\t_sip._tls.corp\n"
              "10.0.0.6\t_sip._ssl.corp\n");

    // The file was deleted since: the lines are written again even though nothing changed.
    QFile::remove(hosts);
    ASSERT_TRUE(UpdateHostsFile(profile, {{u"corp"_s, u"10.0.0.6"_s}}, hosts));
    EXPECT_EQ(ReadAll(hosts), "10.0.0.6\t_sip._tls.corp\n10.0.0.6\t_sip._ssl.corp\n");

    // A hosts file in a folder we may not write: silently left alone, no temporary files.
    const QString locked = env.path(u"locked/hosts"_s);
    QDir().mkpath(env.path(u"locked"_s));
    WriteAll(locked, "127.0.0.1\tlocalhost\n");
    ::chmod(QFile::encodeName(env.path(u"locked"_s)).constData(), 0555);
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    const bool wrote = UpdateHostsFile(profile, {{u"other"_s, u"10.0.0.7"_s}}, locked);
    ::chmod(QFile::encodeName(env.path(u"locked"_s)).constData(), 0755);
    if (::geteuid() != 0) {
        EXPECT_FALSE(wrote);
        EXPECT_EQ(ReadAll(locked), "127.0.0.1\tlocalhost\n");
    }
    EXPECT_EQ(QDir(env.path(u"locked"_s)).entryList(QDir::Files).size(), 1);
}

TEST(HostsFileTest, HostileItemsNeitherReachTheFileNorOtherSettings) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    const QString hosts = HostsFilePath();
    profile.WriteString(u"Network"_s, u"Web Server"_s, u"zuvo.test"_s);
    profile.WriteString(u"Network"_s, u"SvrAddr0"_s, u"alt.zuvo.test"_s);
    WriteAll(hosts, "127.0.0.1\tlocalhost\n");

    // A line break in an address, a setting's name as the domain, a name as the address.
    const ServerConfiguration config = ParseServerConfiguration(
        u"PXY=[1;127.0.0.1] HOSTS=[6;corp:127.0.0.5\n192.0.2.66 www.bank.example;"
        u"Web Server:evil.example;svraddr0:127.0.0.9;bad domain:127.0.0.10;"
        u"zuvo.test:127.0.0.1 192.0.2.7;sip.zuvo.test:127.0.0.7]"_s);
    EXPECT_EQ(config.hosts, (QList<HostsPair>{{u"sip.zuvo.test"_s, u"127.0.0.7"_s}}));
    EXPECT_TRUE(UpdateHostsFile(profile, config.hosts, hosts));
    EXPECT_EQ(ReadAll(hosts).toStdString(),
              "127.0.0.1\tlocalhost\n"
              "127.0.0.7\t_sip._tls.sip.zuvo.test\n"
              "127.0.0.7\t_sip._ssl.sip.zuvo.test\n");

    // The writer refuses the same items when handed them directly.
    const QList<HostsPair> hostile{{u"corp"_s, u"127.0.0.5\n192.0.2.66 www.bank.example"_s},
                                   {u"Web Server"_s, u"evil.example"_s},
                                   {u"SvrAddr0"_s, u"127.0.0.9"_s},
                                   {u"corp\n192.0.2.66 www.bank.example"_s, u"127.0.0.5"_s},
                                   {u"corp"_s, u"127.0.0.256"_s},
                                   {u"-corp"_s, u"127.0.0.5"_s},
                                   {QString(300, u'a'), u"127.0.0.5"_s}};
    UpdateHostsFile(profile, hostile, hosts);
    const QByteArray text = ReadAll(hosts);
    EXPECT_FALSE(text.contains("bank")) << text.toStdString();
    EXPECT_FALSE(text.contains("evil")) << text.toStdString();
    EXPECT_FALSE(text.contains("127.0.0.9")) << text.toStdString();
    EXPECT_FALSE(text.contains("_sip._tls.corp")) << text.toStdString();
    EXPECT_EQ(profile.GetString(u"Network"_s, u"Web Server"_s, QString()).toStdString(),
              "zuvo.test");
    EXPECT_EQ(profile.GetString(u"Network"_s, u"SvrAddr0"_s, QString()).toStdString(),
              "alt.zuvo.test");
    EXPECT_EQ(profile.GetString(u"Network"_s, u"corp"_s, QString()).toStdString(), "");
}

TEST(HostsFileTest, LinesMatchTheWholeName) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    const QString hosts = HostsFilePath();
    WriteAll(hosts,
             "127.0.0.20\t_sip._tls.bigcorp.example\n"
             "127.0.0.21 _sip._ssl.corp.example\n"
             "127.0.0.22\t_sip._TLS.CORP\t# kept by hand\n"
             "  # 127.0.0.23\t_sip._ssl.corp\n");
    ASSERT_TRUE(UpdateHostsFile(profile, {{u"corp"_s, u"127.0.0.5"_s}}, hosts));
    EXPECT_EQ(ReadAll(hosts).toStdString(),
              "127.0.0.20\t_sip._tls.bigcorp.example\n"
              "127.0.0.21 _sip._ssl.corp.example\n"
              "127.0.0.5\t_sip._tls.corp\n"
              "  # 127.0.0.23\t_sip._ssl.corp\n"
              "127.0.0.5\t_sip._ssl.corp\n");
}

TEST(HostsFileTest, AnEntryIsRememberedOnlyOnceWritten) {
    test::TestEnvironment env;
    Profile profile = Profile::Phone();
    // A path whose folder is a plain file cannot be written, not even by root.
    WriteAll(env.path(u"plain"_s), "");
    const QString unwritable = env.path(u"plain/hosts"_s);
    EXPECT_FALSE(UpdateHostsFile(profile, {{u"corp"_s, u"127.0.0.5"_s}}, unwritable));
    EXPECT_EQ(profile.GetString(u"Network"_s, u"corp"_s, QString()).toStdString(), "");
    EXPECT_EQ(profile.GetInt(u"Network"_s, u"SSL Hosts"_s, 0), 0);

    // The next reply writes the lines, although the address is the same as last time.
    const QString hosts = HostsFilePath();
    WriteAll(hosts, "127.0.0.1\tlocalhost\n");
    ASSERT_TRUE(UpdateHostsFile(profile, {{u"corp"_s, u"127.0.0.5"_s}}, hosts));
    EXPECT_EQ(ReadAll(hosts).toStdString(),
              "127.0.0.1\tlocalhost\n127.0.0.5\t_sip._tls.corp\n127.0.0.5\t_sip._ssl.corp\n");
    EXPECT_EQ(profile.GetString(u"Network"_s, u"corp"_s, QString()).toStdString(), "127.0.0.5");
    EXPECT_EQ(profile.GetInt(u"Network"_s, u"SSL Hosts"_s, 0), 1);
}

}  // namespace
