#include "host/messages.h"

#include <gtest/gtest.h>

using namespace qor;

TEST(TMessages, LoadsAResourceWithCaseInsensitiveKeys)
{
    TMessages msg(":/test/test_messages.msg");
    EXPECT_EQ(msg.Msg("QUALIF_INF"), "Informe a qualificação.");
    EXPECT_EQ(msg.Msg("Qualif_Inf"), "Informe a qualificação.");
    EXPECT_EQ(msg.Msg("resp_inf"), "Informe a resposta.\nVerifique.") << "\\n is a line break";
    EXPECT_TRUE(msg.contains("svn_locked"));
    EXPECT_EQ(msg.Items().first(), "QUALIF_INF|Informe a qualificação.");
    EXPECT_EQ(msg.Items().size(), 5);
}

TEST(TMessages, RepeatedKeysAreAlternatives)
{
    TMessages msg(":/test/test_messages.msg");
    EXPECT_EQ(msg.texts("SVN_LOCKED"), QStringList({"is already locked", "está bloqueado"}));
    EXPECT_EQ(msg.Msg("SVN_LOCKED"), "is already locked");
    EXPECT_TRUE(msg.foundIn("svn_locked", "svn: warning: W160035: Path 'a.pas' is already locked by user"));
    EXPECT_TRUE(msg.foundIn("SVN_LOCKED", "o caminho está bloqueado"));
    EXPECT_FALSE(msg.foundIn("SVN_LOCKED", "IS ALREADY LOCKED")) << "patterns compare case-sensitively";
    EXPECT_FALSE(msg.foundIn("VAZIO", "anything")) << "an empty text is no pattern";
    EXPECT_FALSE(msg.foundIn("NAO_HA", "anything"));
}

TEST(TMessages, MissingKeysFallBackToTheHostThenToTheKey)
{
    TMessages msg;
    msg.addLines({"CONFIRMA|Confirma o envio?", "# comment", "", "sem barra"});
    EXPECT_EQ(msg.Msg("CONFIRMA"), "Confirma o envio?") << "the window's own text wins";
    EXPECT_EQ(msg.Msg("ERRO_GENERICO"), TMessages::host().Msg("ERRO_GENERICO"));
    EXPECT_FALSE(TMessages::host().Msg("ERRO_GENERICO").isEmpty());
    EXPECT_NE(TMessages::host().Msg("ERRO_GENERICO"), "ERRO_GENERICO") << "the host catalogue was loaded";
    EXPECT_EQ(TMessages::host().Msg("Registro_Nao_Encontrado"), "Registro não encontrado.");
    EXPECT_EQ(msg.Msg("CHAVE_INEXISTENTE"), "CHAVE_INEXISTENTE");
    EXPECT_TRUE(msg.texts("ERRO_GENERICO").isEmpty()) << "texts() has no host fallback";
    EXPECT_EQ(msg.Items().size(), 1);
}
