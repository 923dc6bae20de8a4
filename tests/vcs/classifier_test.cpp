#include "support.h"
#include "vcs/classifier.h"
#include "vcs/runners.h"
#include "host/abort.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <gtest/gtest.h>

using namespace vcstest;

namespace {

const QString kLock = "BLOQUEANDO O ARQUIVO NO REPOSITÓRIO ... Unit1.pas";
const QString kUpdate = "ATUALIZANDO A CÓPIA DE TRABALHO";
const QString kCommit = "Repassando alterações para o Repositório...  ";

class Context : public vcs::ClassifierContext {
public:
    QString svnUser() const override { return "svn_u"; }
    QString svnPassword() const override { return "Segr3do"; }
    server::RemoteServer &server() override { return remote; }
    void enableConfirm() override { ++confirmEnabled; }
    QStringList files;
    vcs::CheckoutLedger ledger{files};
    RecordingServer remote;
    int confirmEnabled = 0;
};

class ClassifierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qor::Session session;
        session.filial = "0001";
        qor::SetSession(session);
        bin = dir.path() + "/bin";
        QDir().mkpath(bin);
        QDir().mkpath(dir.path() + "/c/Prod");
        WriteScript(bin, "svn", "printf '%s\\n' \"$*\" >> \"$0.calls\"; echo \"'x' destravado.\"");
        paths.setRoot(u'c', dir.path() + "/c");
        context.files = {"c:\\Prod\\Unit1.PAS", "c:\\Prod\\Form1.DFM"};
        runner = std::make_unique<vcs::MainRunner>(context.remote, [this] { ++context.confirmEnabled; }, stlSaidaSvn, paths);
        runner->setClassifier(&classifier, sink);
        classifier.setLedger(&context.ledger);
        context.ledger.begin({"0001", "0000000042", "00003"});
    }
    // The message the classification and its reaction end with, or "" when it went on.
    QString classify(const QString &text, const QString &caption)
    {
        return ending([&] { classifier.react(classifier.classify(text, caption)); });
    }
    template <typename Step> static QString ending(Step step)
    {
        try {
            step();
        } catch (const qor::EAbort &abort) {
            return abort.message();
        }
        return {};
    }
    QStringList unlockCalls() const { return ReadAll(bin + "/svn.calls").split('\n', Qt::SkipEmptyParts); }
    QString msg(const char *key) const { return vcs::Recognition::mainWindow().text(key); }

    qor::ScopedScriptedDialogs dialogs;
    QTemporaryDir dir;
    QString bin;
    vcs::PathMap paths;
    Context context;
    vcs::Classifier classifier{context};
    QStringList stlSaidaSvn;
    QStringList progress;
    vcs::LineSink sink = [this](const QStringList &lines) { progress << lines; };
    std::unique_ptr<vcs::MainRunner> runner;
};

}

TEST_F(ClassifierTest, LockRefusedUnlocksEveryFileClearsAndShowsErroTrava)
{
    const PathFirst first(bin);
    const QString out = "svn: warning: W160035: Path '/trunk/Unit1.pas' is already locked by user 'svn_b' in filesystem 'f'\n";
    EXPECT_EQ(classify(out, kLock), msg("ERRO_TRAVA"));
    const QString root = dir.path() + "/c/Prod/";
    EXPECT_EQ(unlockCalls(), (QStringList{"unlock --no-auth-cache --username svn_u --password-from-stdin " + root + "unit1.pas",
                                          "unlock --no-auth-cache --username svn_u --password-from-stdin " + root + "form1.dfm"}));
    ASSERT_EQ(context.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(context.remote.calls[0].args, (QJsonArray{"0001", "0000000042", "00003"}));
    EXPECT_EQ(context.remote.uses, 0);
    EXPECT_GE(context.confirmEnabled, 1);
    EXPECT_EQ(progress.count("DESBLOQUEANDO O ARQUIVO ...Unit1.PAS"), 1);
    EXPECT_FALSE(progress.join('\n').contains("Segr3do"));
}

// The check-out's list lives under the activity's branch, not the one the
// operator signed in at; between runs there is no activity and nothing to clear.
TEST_F(ClassifierTest, TheRefusalClearsTheListOfTheRunsActivityOnly)
{
    const PathFirst first(bin);
    const QString out = "svn: warning: W160035: Path '/trunk/Unit1.pas' is already locked by user 'svn_b' in filesystem 'f'\n";
    context.ledger.begin({"0002", "0000000042", "00003"});
    EXPECT_EQ(classify(out, kLock), msg("ERRO_TRAVA"));
    ASSERT_EQ(context.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(context.remote.calls[0].args, (QJsonArray{"0002", "0000000042", "00003"}));
    context.ledger.end();
    EXPECT_EQ(classify(out, kLock), msg("ERRO_TRAVA"));
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 1);
}

TEST_F(ClassifierTest, LockRefusalTextsUnderAnotherCaptionDoNothing)
{
    EXPECT_EQ(classify("svn: warning: W160035: Path '/a' is already locked by user 'b'", kUpdate), "");
    EXPECT_EQ(classify("Pulou 'c:\\x'", kUpdate), "");
    EXPECT_EQ(context.remote.calls.size(), 0u);
}

TEST_F(ClassifierTest, LockOfUnversionedOrSkippedFiles)
{
    const PathFirst first(bin);
    EXPECT_EQ(classify("svn: E155010: The node 'c:\\Prod\\novo.pas' was not found.", kLock), msg("ERRO_TRAVA_ARQ_SEM_VERSAO"));
    EXPECT_EQ(classify("'c:\\a' não está sobre controle de versão", kLock), msg("ERRO_TRAVA_ARQ_SEM_VERSAO"));
    EXPECT_EQ(classify("Skipped 'c:\\Prod'", kLock), msg("ERRO_GERAL"));
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 3);
}

TEST_F(ClassifierTest, FailureTextInsideASuccessLineStillFails)
{
    const PathFirst first(bin);
    // The pt_BR warning of a lock held by another user quotes the success text.
    EXPECT_EQ(classify("svn: warning: W160035: Caminho '/trunk/Unit1.pas' já está travado pelo usuário 'root' no sistema", kLock),
              msg("ERRO_TRAVA"));
}

TEST_F(ClassifierTest, OutdatedWorkingCopy)
{
    const PathFirst first(bin);
    EXPECT_EQ(classify("svn: warning: W160042: Lock failed: newer version of '/trunk/a.pas' exists", kUpdate), msg("FALHA_LOCK"));
    EXPECT_TRUE(unlockCalls().isEmpty());
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(classify("svn: warning: W160042: Lock failed: newer version of '/trunk/a.pas' exists", kLock), msg("FALHA_LOCK"));
    EXPECT_EQ(unlockCalls().size(), 2);
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 2);
}

TEST_F(ClassifierTest, NotAWorkingCopyFailsOnlyUnderTheCommitCaption)
{
    const QString out = "svn: E155007: 'c:\\x' não é uma cópia de trabalho";
    EXPECT_EQ(classify(out, kCommit), msg("ERRO_GERAL"));
    EXPECT_EQ(classify(out, kUpdate), "");
    EXPECT_EQ(classify("svn: E155007: '/tmp' is not a working copy", kCommit), msg("ERRO_GERAL"));
}

TEST_F(ClassifierTest, GeneralFailuresAndTheirOrder)
{
    EXPECT_EQ(classify("svn: Servidor enviou valor de retorno inválido (423 Locked)", kUpdate), msg("ERRO_GERAL"));
    EXPECT_EQ(classify("svn: E170013: Unable to connect to a repository at URL 'http://x'", kUpdate), msg("ERRO_GERAL"));
    EXPECT_EQ(classify("não foi possível abrir o arquivo", kUpdate), msg("ERRO_GERAL"));
    EXPECT_EQ(classify("svn: E155011: Commit falhou (detalhes a seguir):", kCommit), msg("FALHA_COMMIT"));
    // A locked working copy is named before the failed commit it causes.
    EXPECT_EQ(classify("svn: E155004: Commit failed (details follow):\nsvn: E155004: Run 'svn cleanup' to remove locks", kCommit),
              msg("ERRO_TRAVA_COPIA_DE_TRABALHO"));
    EXPECT_EQ(classify("Updated to revision 3.\nCommitted revision 4.", kCommit), "");
    EXPECT_TRUE(context.remote.calls.empty());
}

// ---- recognising alone, on canned text ----------------------------------------------

namespace {
using Kind = vcs::Classification::Kind;
const vcs::Recognition &Texts() { return vcs::Recognition::mainWindow(); }
}

TEST(Classify, NamesTheKindTheMessageAndTheClientsLine)
{
    const QString out = "Travando 'a.pas'\nsvn: warning: W160035: Path '/a.pas' is already locked by user 'b'\n";
    const vcs::Classification refused = vcs::Classify(Texts(), out, kLock);
    EXPECT_EQ(refused.kind, Kind::LockRefused);
    EXPECT_EQ(refused.messageKey, "ERRO_TRAVA");
    EXPECT_EQ(refused.clientLine, "svn: warning: W160035: Path '/a.pas' is already locked by user 'b'");
    EXPECT_TRUE(refused.unlocksCheckout && refused.clearsCheckout);
    EXPECT_FALSE(vcs::Classify(Texts(), out, kUpdate).failed());

    const vcs::Classification outdated =
        vcs::Classify(Texts(), "svn: warning: W160042: Lock failed: newer version of '/a' exists", kUpdate);
    EXPECT_EQ(outdated.kind, Kind::OutdatedWorkingCopy);
    EXPECT_FALSE(outdated.unlocksCheckout);
    EXPECT_TRUE(outdated.clearsCheckout);
    EXPECT_EQ(vcs::Classify(Texts(), "svn: E155004: Run 'svn cleanup' to remove locks", kUpdate).kind, Kind::LockedWorkingCopy);
}

TEST(ClassifyEnd, AFailedCommandWithAnUnlistedErrorLineFails)
{
    const QString certificate = "Updating 'c:\\wc':\nsvn: E230001: Server SSL certificate verification failed: issuer is not trusted\n";
    const vcs::Classification failed = vcs::ClassifyEnd(Texts(), certificate, 1, false);
    EXPECT_EQ(failed.kind, Kind::ClientError);
    EXPECT_EQ(failed.messageKey, "ERRO_GERAL");
    EXPECT_EQ(failed.clientLine, "svn: E230001: Server SSL certificate verification failed: issuer is not trusted");
    EXPECT_TRUE(vcs::ClassifyEnd(Texts(), "svn: E720112: espaço insuficiente no disco", 0, true).failed());
    // The same text from a command that succeeded, or listed by a rule, is left to the rules.
    EXPECT_FALSE(vcs::ClassifyEnd(Texts(), certificate, 0, false).failed());
    EXPECT_FALSE(vcs::ClassifyEnd(Texts(), "svn: E155007: '/tmp/x' is not a working copy", 1, false).failed());
    // A warning no rule lists is no failure, whatever the exit code.
    EXPECT_FALSE(vcs::ClassifyEnd(Texts(), "svn: warning: W200017: Property 'x' not found", 1, false).failed());
}

// ---- reacting, and the runner that feeds it ---------------------------------------------

TEST_F(ClassifierTest, AnUnknownClientErrorEndsTheOperationWithTheGenericMessageAndTheLine)
{
    const PathFirst first(bin);
    WriteScript(bin, "svnfalha", "echo 'svn: E230001: Server SSL certificate verification failed'; exit 1");
    const QString message = ending([&] { runner->Execute(kUpdate, "svnfalha", sink, true); });
    EXPECT_TRUE(message.startsWith(msg("ERRO_GERAL"))) << message.toStdString();
    EXPECT_TRUE(message.contains("svn: E230001: Server SSL certificate verification failed")) << message.toStdString();
    ASSERT_FALSE(runner->runner().results().isEmpty());
    const vcs::CommandResult &result = runner->runner().results().last();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.classification.kind, vcs::Classification::Kind::ClientError);
    EXPECT_TRUE(context.remote.calls.empty());
    EXPECT_GE(context.confirmEnabled, 1);
}

TEST_F(ClassifierTest, ClearArqCheckoutTakesTheActivityTheWorkflowNamed)
{
    const PathFirst first(bin);
    context.ledger.begin({"0001", "0000000099", "00007"});
    classify("svn: warning: W160042: Lock failed: newer version of '/a' exists", kUpdate);
    ASSERT_EQ(context.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(context.remote.calls[0].args, (QJsonArray{"0001", "0000000099", "00007"}));
    context.ledger.end();
    EXPECT_EQ(classify("svn: warning: W160042: Lock failed: newer version of '/a' exists", kUpdate), msg("FALHA_LOCK"));
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 1);
}

TEST_F(ClassifierTest, AFailingUnlockOfTheUndoDoesNotStopIt)
{
    const PathFirst first(bin);
    WriteScript(bin, "svn", "printf '%s\\n' \"$*\" >> \"$0.calls\"; echo \"svn: E200009: One or more locks could not be released\"; exit 1");
    EXPECT_EQ(classify("svn: warning: W160035: Path '/a' is already locked by user 'b'", kLock), msg("ERRO_TRAVA"));
    EXPECT_EQ(unlockCalls().size(), 2);
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 1);
}

TEST_F(ClassifierTest, GeneratedUnlocksAreArgumentListsWithTheMaskedPasswordAndThePegEscape)
{
    const vcs::CommandLine unlock = classifier.unlockCommand("c:\\Prod\\Logo@2x.PNG");
    EXPECT_EQ(unlock.arguments(), (QStringList{"unlock", "--no-auth-cache", "--username", "svn_u", "--password-from-stdin",
                                               "c:\\prod\\logo@2x.png@"}));
    EXPECT_EQ(unlock.password(), "Segr3do");
    EXPECT_EQ(unlock.shown(), "svn unlock --no-auth-cache --username svn_u --password ****** c:\\prod\\logo@2x.png@");
}
