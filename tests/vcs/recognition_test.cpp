#include "vcs/recognition.h"
#include <QFile>
#include <QHash>
#include <QTextStream>
#include <gtest/gtest.h>

namespace {

// key -> texts of a "key|text" list, read as written.
QHash<QString, QStringList> Entries(const QString &resource)
{
    vcs::Recognition::mainWindow();   // registers the layer's resources
    QHash<QString, QStringList> entries;
    QFile file(resource);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text)) << resource.toStdString();
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        entries[line.section(u'|', 0, 0)] << line.section(u'|', 1);
    }
    return entries;
}

}

TEST(OneMessageList, TheRecognitionDataAddsAlternativesToTheWindowsKeysAndRepeatsNoText)
{
    const auto window = Entries(":/vcs/window.msg");
    const auto alternatives = Entries(":/vcs/messages.txt");
    ASSERT_FALSE(alternatives.isEmpty());
    for (auto it = alternatives.cbegin(); it != alternatives.cend(); ++it) {
        EXPECT_TRUE(window.contains(it.key())) << "no text in the window's list for " << it.key().toStdString();
        for (const QString &text : it.value())
            EXPECT_FALSE(window.value(it.key()).contains(text)) << it.key().toStdString() << " repeats its text";
    }
    for (const QString &key : vcs::Recognition::failureKeys() + vcs::Recognition::successKeys())
        EXPECT_EQ(window.value(key).size(), 1) << key.toStdString();
    // The window's text is the one shown and looked for first; the alternatives follow it.
    const vcs::Recognition &texts = vcs::Recognition::mainWindow();
    EXPECT_EQ(texts.text("ERRO3_ARQ_BLOQUEADO"), "is already locked by user");
    EXPECT_TRUE(texts.failureIn("ERRO3_ARQ_BLOQUEADO", "svn: warning: W160035: Caminho '/a' já está travado"));
    EXPECT_EQ(texts.text("ERRO_TRAVA"), window.value("ERRO_TRAVA").value(0));
}

TEST(LineTone, AnUnlistedWarningIsNotAFailureAnErrorCodeIs)
{
    const vcs::Recognition &texts = vcs::Recognition::mainWindow();
    using Tone = vcs::Recognition::Tone;
    EXPECT_EQ(texts.toneOf("svn: warning: W200017: Property 'svn:x' not found on 'c:\\wc\\a.pas'"), Tone::Normal);
    EXPECT_EQ(texts.toneOf("svn: aviso: W200017: Propriedade 'svn:x' não encontrada"), Tone::Normal);
    EXPECT_EQ(texts.toneOf("svn: warning: W160042: Lock failed: newer version of '/a' exists"), Tone::Failure);
    EXPECT_EQ(texts.toneOf("svn: E230001: Server SSL certificate verification failed"), Tone::Failure);
}
