#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "service/request_cipher.h"
#include "service/request_key.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::service;

namespace {

// The service side of the cipher, written apart from the phone's: RC4 over the 16-byte key of
// five MD5 bytes and eleven zero bytes.
QByteArray Rc4(const QByteArray& input) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayLiteral("Rolvi482"), QCryptographicHash::Md5);
    std::array<unsigned char, 16> key{};
    for (int i = 0; i < 5; ++i) {
        key[i] = static_cast<unsigned char>(digest[i]);
    }
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i) {
        s[i] = static_cast<unsigned char>(i);
    }
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % key.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    QByteArray output = input;
    for (int n = 0, i = 0, j = 0; n < output.size(); ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        output[n] = static_cast<char>(output[n] ^ s[(s[i] + s[j]) & 0xFF]);
    }
    return output;
}

QString Decipher(const QString& hex) {
    return QString::fromUtf8(Rc4(QByteArray::fromHex(hex.toLatin1())));
}

}  // namespace

TEST(RequestKey, KnownKeyDeciphersWithAnIndependentCipher) {
    RequestCipher cipher;
    ASSERT_EQ(cipher.InitRequestCipher(), RequestCipher::Ready);
    RequestKey key(cipher);
    const RequestKeyInputs inputs{.accountNumber = u"12345"_s,
                                  .pin = u"9876"_s,
                                  .version = u"5.85.EN.000.600.002"_s,
                                  .language = u"EN"_s};
    const QString text = key.BuildRequestKey(inputs, [] { return u"10.0.0.5"_s; });
    ASSERT_EQ(text.size(), 84);
    EXPECT_EQ(text, text.toUpper());
    EXPECT_EQ(Decipher(text), u"12345,9876,5.85.EN.000.600.002,10.0.0.5,EN"_s);
    EXPECT_EQ(key.Current(), text);
    EXPECT_FALSE(text.contains(u"9876"_s));

    // The port part of an engine address is dropped; no engine keeps the previous address.
    key.BuildRequestKey(inputs, [] { return u"192.168.1.20:5060"_s; });
    EXPECT_EQ(key.LocalAddress(), u"192.168.1.20"_s);
    key.BuildRequestKey(inputs, [] { return std::optional<QString>(); });
    EXPECT_EQ(Decipher(key.Current()), u"12345,9876,5.85.EN.000.600.002,192.168.1.20,EN"_s);
    key.BuildRequestKey(inputs, [] { return u"0.0.0.0:0000"_s; });
    EXPECT_EQ(key.LocalAddress(), u"0.0.0.0"_s);

    // Empty account and PIN leave empty fields.
    RequestKeyInputs versionOnly;
    versionOnly.version = u"v"_s;
    key.BuildRequestKey(versionOnly, {});
    EXPECT_EQ(Decipher(key.Current()), u",,v,0.0.0.0,EN"_s);
}

TEST(RequestKey, ABuildForACancelledSignInStoresNothing) {
    RequestCipher cipher;
    ASSERT_EQ(cipher.InitRequestCipher(), RequestCipher::Ready);
    RequestKey key(cipher);
    std::atomic_bool oldSignIn = false;
    const RequestKeyInputs current{
        .accountNumber = u"222"_s, .pin = u"2222"_s, .version = u"v"_s, .language = u"EN"_s};
    const RequestKeyInputs old{
        .accountNumber = u"111"_s, .pin = u"1111"_s, .version = u"v"_s, .language = u"EN"_s};
    key.BuildRequestKey(current, [] { return u"127.0.0.1"_s; });
    oldSignIn = true;
    const QString late = key.BuildRequestKey(
        old, [] { return u"127.0.0.9"_s; }, &oldSignIn);
    // The caller still gets its key; the stored key and address stay the current sign-in's.
    EXPECT_EQ(Decipher(late), u"111,1111,v,127.0.0.9,EN"_s);
    EXPECT_EQ(Decipher(key.Current()), u"222,2222,v,127.0.0.1,EN"_s);
    EXPECT_EQ(key.LocalAddress(), u"127.0.0.1"_s);
}

TEST(RequestKey, EncipherRestartsTheKeyStreamAndKeepsItsLimits) {
    RequestCipher cipher;
    QString text = u"441234567890"_s;
    EXPECT_FALSE(cipher.EncipherToHex(text));  // not ready yet
    EXPECT_EQ(text, u"441234567890"_s);
    cipher.InitRequestCipher();

    QString first = text;
    QString second = text;
    ASSERT_TRUE(cipher.EncipherToHex(first));
    ASSERT_TRUE(cipher.EncipherToHex(second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(Decipher(first), text);

    QString empty;
    EXPECT_TRUE(cipher.EncipherToHex(empty));
    EXPECT_TRUE(empty.isEmpty());

    QString limit(1024, u'a');
    EXPECT_TRUE(cipher.EncipherToHex(limit));
    EXPECT_EQ(limit.size(), 2048);
    QString tooLong(1025, u'a');
    EXPECT_FALSE(cipher.EncipherToHex(tooLong));
    EXPECT_EQ(tooLong, QString(1025, u'a'));

    // Without a cipher the key is empty rather than the PIN in clear.
    cipher.ReleaseRequestCipher();
    RequestKey key(cipher);
    RequestKeyInputs secret;
    secret.accountNumber = u"1"_s;
    secret.pin = u"2"_s;
    EXPECT_TRUE(key.BuildRequestKey(secret, {}).isEmpty());
}

TEST(RequestKey, SeveralThreadsGetTheSameBytes) {
    RequestCipher cipher;
    cipher.InitRequestCipher();
    RequestKey key(cipher);
    QString expected = u"12345"_s;
    cipher.EncipherToHex(expected);

    std::vector<std::thread> threads;
    std::atomic_int mismatches = 0;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                QString text = u"12345"_s;
                cipher.EncipherToHex(text);
                if (text != expected) {
                    ++mismatches;
                }
                if (t == 0) {
                    RequestKeyInputs inputs;
                    inputs.accountNumber = QString::number(i);
                    key.BuildRequestKey(inputs, {});
                } else if (key.Current().size() % 2 != 0) {
                    ++mismatches;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches.load(), 0);
}
