#include "host/services.h"
#include "test_enciphered.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace qor;

namespace {

bool allPrintable(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() < 32 || c.unicode() > 126) return false;
    return true;
}

// Every printable character, and texts of the lengths at the frame's edges.
QStringList samples()
{
    QString every;
    for (int c = 32; c <= 126; ++c) every += QChar(c);
    return {"", "a", "demo-s3nha", "p\"a\\s s", QString(83, 'x'), QString(84, 'y'), every.left(84), every};
}

} // namespace

TEST(Cipher, EachStepRoundTrips)
{
    for (const QString &plain : samples()) {
        for (int key : {0, 1, 2, 7, 94, 95, -3}) {
            const QString c = Cripto(plain, key);
            EXPECT_EQ(c.size(), plain.size());
            EXPECT_TRUE(allPrintable(c));
            EXPECT_EQ(Uncripto(c, key), plain) << plain.toStdString() << " key " << key;
        }
        const QString framed = CriptoPlus(plain);
        EXPECT_EQ(framed.size(), std::max<qsizetype>(plain.size() + 4, 88));
        EXPECT_TRUE(allPrintable(framed));
        EXPECT_EQ(UncriptoPlus(framed), plain);
    }
    EXPECT_NE(Cripto("senha", 2), "senha");
    EXPECT_NE(Cripto("senha", 2), Cripto("senha", 3)) << "the key matters";
    EXPECT_EQ(CriptoPlus("senha"), CriptoPlus("senha")) << "deterministic, so builds repeat";
}

TEST(Cipher, UncriptoPlusRefusesWhatIsNotAFrame)
{
    QString framed = CriptoPlus("demo-s3nha");
    EXPECT_EQ(UncriptoPlus(framed.left(87)), "");
    QString tampered = framed;
    tampered[40] = tampered[40] == 'a' ? 'b' : 'a';
    EXPECT_EQ(UncriptoPlus(tampered), "");
    EXPECT_EQ(UncriptoPlus(QString(88, ' ')), "");
    EXPECT_EQ(CriptoPlus(QStringLiteral("senha\u00e7")), "") << "only printable ASCII is framed";
}

TEST(Cipher, ElevenStepChainGivesBackThePlainText)
{
    for (const QString &plain : samples()) {
        if (plain.size() > kSharedPlainMax) {
            EXPECT_EQ(CriptoShared(plain), "");
            continue;
        }
        const QString enciphered = CriptoShared(plain);
        EXPECT_EQ(enciphered.size(), kSharedCipherLength) << "always 108 characters";
        EXPECT_TRUE(allPrintable(enciphered));
        EXPECT_FALSE(enciphered.contains(plain) && !plain.isEmpty() && plain.size() > 3);

        // the chain as the module runs it, step by step
        QString t = Uncripto(enciphered, 2);
        t = UncriptoPlus(t);
        t = Uncripto(t);
        t = UncriptoPlus(t);
        t = Uncripto(t);
        t = Uncripto(t);
        t = UncriptoPlus(t);
        t = UncriptoPlus(t);
        t = UncriptoPlus(t);
        t = Uncripto(t);
        t = UncriptoPlus(t);
        EXPECT_EQ(t, plain);
        EXPECT_EQ(UncriptoShared(enciphered), plain);
    }
}

TEST(Cipher, BuildTimeHeaderHoldsTheEncipheredText)
{
    EXPECT_EQ(std::strlen(kTestEnciphered), 108u);
    EXPECT_EQ(UncriptoShared(QString::fromLatin1(kTestEnciphered)), "pa\"ss\\w0rd 'x'");
}
