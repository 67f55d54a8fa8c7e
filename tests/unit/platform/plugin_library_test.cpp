#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <dlfcn.h>

#include "platform/plugin_library.h"
#include "platform/registry.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::PluginLibrary;
using zuvo::Registry;

namespace {

QStringList g_log;

void Capture(QtMsgType, const QMessageLogContext& context, const QString& message) {
    if (context.category != nullptr && QByteArray(context.category) == "zuvo.plugin") {
        g_log << message;
    }
}

QString Component(const char* kind) {
    return QStringLiteral(TEST_COMPONENT_DIR "/libzuvo_test_component_%1.so")
        .arg(QString::fromLatin1(kind));
}

class PluginLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_log.clear();
        m_previous = qInstallMessageHandler(Capture);
    }
    void TearDown() override { qInstallMessageHandler(m_previous); }

    // Open must refuse path, saying so in the log.
    void ExpectRefused(const QString& path) {
        g_log.clear();
        EXPECT_EQ(PluginLibrary::Open(path, ZUVO_HANDSET_INTERFACE_ID, sizeof(ZuvoHandsetTable)),
                  nullptr)
            << path.toStdString();
        EXPECT_FALSE(g_log.isEmpty()) << "no log line for " << path.toStdString();
    }

    zuvo::test::TestEnvironment env;
    QtMessageHandler m_previous = nullptr;
};

TEST_F(PluginLibraryTest, RegisteredClassLoadsCreatesAndUnloads) {
    Registry hive(env.path(u"machine/test.db"_s));
    const QString id = u"{11111111-2222-3333-4444-555555555555}"_s;
    hive.WriteString(u"Software\\Classes\\Test.Handset.1\\CLSID"_s, {}, id);
    hive.WriteString(u"Software\\Classes\\CLSID\\"_s + id + u"\\InprocServer32"_s, {},
                     Component("good"));

    const auto classId = PluginLibrary::ClassOfProgramId(hive, u"Test.Handset.1"_s);
    ASSERT_TRUE(classId);
    EXPECT_EQ(*classId, id);
    {
        auto library = PluginLibrary::ForClass(hive, *classId, ZUVO_HANDSET_INTERFACE_ID,
                                               sizeof(ZuvoHandsetTable));
        ASSERT_NE(library, nullptr);
        const auto& table = library->table<ZuvoHandsetTable>();
        void* object = table.create();
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(table.set_property(object, 7, 2), 702);
        unsigned char info[ZUVO_HANDSET_INFO_SIZE];
        EXPECT_EQ(table.get_information(object, info, sizeof info), 0);
        EXPECT_STREQ(reinterpret_cast<const char*>(info), "Test Handset");
        table.destroy(object);
        // Loaded while the object lives.
        void* probe = dlopen(Component("good").toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(probe, nullptr);
        dlclose(probe);
    }
    // And gone with it.
    EXPECT_EQ(dlopen(Component("good").toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);

    // An interface id is compared without regard to case, as class ids are.
    EXPECT_NE(PluginLibrary::Open(Component("good"), "{0cc5bb93-4a05-45b0-a0eb-454c33c4967a}",
                                  sizeof(ZuvoHandsetTable)),
              nullptr);
}

TEST_F(PluginLibraryTest, RefusesBadLibrariesAndPaths) {
    ExpectRefused(Component("abi"));
    ExpectRefused(Component("interface"));
    ExpectRefused(Component("entry"));
    ExpectRefused(Component("table"));
    // Relative paths would load whatever the working folder holds.
    ExpectRefused(u"libzuvo_test_component_good.so"_s);
    ExpectRefused(u"./libzuvo_test_component_good.so"_s);
    ExpectRefused(QString());
    // Only regular files.
    ExpectRefused(QStringLiteral(TEST_COMPONENT_DIR));
    ExpectRefused(u"/dev/null"_s);
    ExpectRefused(env.path(u"missing.so"_s));
    // A regular file that is not a library.
    QFile junk(env.path(u"junk.so"_s));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a library");
    junk.close();
    ExpectRefused(junk.fileName());
}

TEST_F(PluginLibraryTest, HiveEntriesAreChecked) {
    Registry hive(env.path(u"machine/test.db"_s));
    const QString id = u"{11111111-2222-3333-4444-555555555555}"_s;
    // Not registered.
    EXPECT_EQ(PluginLibrary::ForClass(hive, id, ZUVO_HANDSET_INTERFACE_ID, 8), nullptr);
    // A class id that would reach into other keys.
    hive.WriteString(u"Software\\Classes\\CLSID\\x\\InprocServer32"_s, {}, Component("good"));
    g_log.clear();
    EXPECT_EQ(PluginLibrary::ForClass(hive, u"x"_s, ZUVO_HANDSET_INTERFACE_ID, 8), nullptr);
    EXPECT_FALSE(g_log.isEmpty());
    // A registered relative path.
    hive.WriteString(u"Software\\Classes\\CLSID\\"_s + id + u"\\InprocServer32"_s, {},
                     u"libzuvo_test_component_good.so"_s);
    EXPECT_EQ(PluginLibrary::ForClass(hive, id, ZUVO_HANDSET_INTERFACE_ID, 8), nullptr);
    // Program ids: only plain names, and only a well-formed class id counts.
    hive.WriteString(u"Software\\Classes\\Bad.1\\CLSID"_s, {}, u"not-a-class"_s);
    EXPECT_FALSE(PluginLibrary::ClassOfProgramId(hive, u"Bad.1"_s));
    EXPECT_FALSE(PluginLibrary::ClassOfProgramId(hive, u"..\\CLSID"_s));
    EXPECT_FALSE(PluginLibrary::ClassOfProgramId(hive, u"Missing.1"_s));
}

}  // namespace
