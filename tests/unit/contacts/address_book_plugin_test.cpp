#include <gtest/gtest.h>

#include <QFile>

#include "contacts/address_book_source.h"
#include "tests/support/test_environment.h"

namespace zuvo {
namespace {

using namespace Qt::Literals::StringLiterals;
using test::TestEnvironment;

// Whether the process has GNOME's contacts library mapped.
bool ContactsLibraryLoaded() {
    QFile maps(u"/proc/self/maps"_s);
    if (!maps.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no /proc/self/maps";
        return false;
    }
    return maps.readAll().contains("libebook-contacts");
}

TEST(AddressBookPluginTest, TheContactsLibraryComesOnlyWithTheFirstSource) {
    TestEnvironment env;
    EXPECT_FALSE(ContactsLibraryLoaded());

    auto source = ChooseAddressBookSource({true, 6});
    ASSERT_NE(source, nullptr) << AddressBookPluginPath().toStdString();
    EXPECT_TRUE(ContactsLibraryLoaded());
    EXPECT_EQ(source->Location(), DefaultAddressBookFolder());
    ASSERT_TRUE(source->Open());
    ContactRecord record;
    record[ContactRecord::Display] = u"Ann Example"_s;
    record[ContactRecord::Mobile] = u"07700900123"_s;
    QString key;
    ASSERT_TRUE(source->Create(record, &key));
    ContactRecord read;
    ASSERT_TRUE(source->Read(key, read));
    EXPECT_EQ(read[ContactRecord::Display], u"Ann Example"_s);
    EXPECT_EQ(read[ContactRecord::Mobile], u"07700900123"_s);

    // The single-file member comes from the same plug-in, and sees a file of its own.
    auto file = ChooseAddressBookSource({true, 5});
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Location(), DefaultAddressBookFile());
    ASSERT_TRUE(file->Open());
    int count = 0;
    EXPECT_TRUE(file->Enumerate([&count](const ContactRecord&, const QString&) {
        ++count;
        return true;
    }));
    EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace zuvo
