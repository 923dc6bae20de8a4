#include "support.h"
#include "vcs/runner.h"
#include "vcs/runners.h"
#include "host/abort.h"
#include "host/dialogs.h"
#include <gtest/gtest.h>

using namespace vcstest;

namespace {

constexpr int kPollMs = 100;

// A host that records what the runner hands it.
class RecordingHost : public vcs::RunnerHost {
public:
    void acquireConnection() override { ++uses; ++acquired; }
    void releaseConnection() override { --uses; }
    void restoreAfterFailure() override { ++restored; }
    vcs::Classification classify(const QString &pollText, const QString &caption) override
    {
        polls << pollText;
        usesDuringPolls = std::max(usesDuringPolls, uses);
        Q_UNUSED(caption);
        return {};
    }
    QStringList *captureList() override { return &captured; }
    int uses = 0, acquired = 0, restored = 0, usesDuringPolls = 0;
    QStringList polls, captured;
};

class RunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bin = dir.path() + "/bin";
        QDir().mkpath(bin);
        first = std::make_unique<PathFirst>(bin);
        paths.setRoot(u'c', dir.path() + "/c");
        QDir().mkpath(dir.path() + "/c/wc");
    }
    // Polls of 100 ms, so that the scripts' pauses of a second or more fall
    // between polls with a wide margin even on a loaded machine.
    vcs::ConsoleRunner mainRunner()
    {
        vcs::ConsoleRunner runner(vcs::RunnerPoints::mainWindow(), host, vcs::Recognition::mainWindow(), paths);
        runner.setPollInterval(kPollMs);
        return runner;
    }
    QString script(const QString &name, const QString &body) { return WriteScript(bin, name, body); }

    QTemporaryDir dir;
    QString bin;
    std::unique_ptr<PathFirst> first;
    vcs::PathMap paths;
    RecordingHost host;
    QStringList shown;
    vcs::LineSink list = [this](const QStringList &lines) { shown << lines; };
};

}

TEST_F(RunnerTest, OutputOfOnePollIsOneFramedBlock)
{
    script("twolines", "printf 'primeira\\r\\nsegunda\\n'");
    auto runner = mainRunner();
    EXPECT_TRUE(runner.Execute("ATUALIZANDO", "twolines", list, true));
    EXPECT_EQ(shown, (QStringList{vcs::ConsoleRunner::separator(), "ATUALIZANDO", "Resultado :", "primeira", "segunda"}));
    EXPECT_EQ(vcs::ConsoleRunner::separator().size(), 239);
    EXPECT_EQ(host.polls.size(), 1);
    EXPECT_EQ(host.acquired, 1);
    EXPECT_EQ(host.usesDuringPolls, 1);
    EXPECT_EQ(host.uses, 0);
}

TEST_F(RunnerTest, OutputSpreadOverPollsGivesOneBlockPerPoll)
{
    script("slow", "echo um; sleep 1.5; echo dois");
    auto runner = mainRunner();
    runner.Execute("C", "slow", list, true);
    EXPECT_EQ(shown, (QStringList{vcs::ConsoleRunner::separator(), "C", "Resultado :", "um", "Resultado :", "dois"}));
    EXPECT_EQ(host.polls, (QStringList{"um\n", "dois\n"}));
}

TEST_F(RunnerTest, ALineCutBetweenPollsIsShownWhole)
{
    script("cut", "printf 'Transmitindo .'; sleep 1.3; printf ' feito\\r'; sleep 1.3; printf '\\nfim\\r\\n'");
    auto runner = mainRunner();
    runner.Execute("C", "cut", list, true);
    EXPECT_EQ(shown, (QStringList{vcs::ConsoleRunner::separator(), "C", "Resultado :", "Transmitindo . feito", "fim"}));
}

TEST_F(RunnerTest, ChunkSizedAndLongerOutputIsShownWholeInOrder)
{
    for (int size : {2000, 4000, 4999}) {
        shown.clear();
        host.polls.clear();
        // size - 1 characters and a line break
        script("bytes", QString("head -c %1 /dev/zero | tr '\\0' x; echo").arg(size - 1));
        auto runner = mainRunner();
        runner.Execute("C", "bytes", list, true);
        ASSERT_EQ(shown.size(), 4) << size;
        EXPECT_EQ(shown.value(3), QString(size - 1, u'x')) << size;
        ASSERT_EQ(host.polls.size(), 1);
        EXPECT_EQ(host.polls[0].size(), size);
    }
}

TEST_F(RunnerTest, MultibyteTextCutByChunksIsNotBroken)
{
    // 1999 ASCII bytes put the first "ç" across the 2000-byte boundary.
    script("accent", "head -c 1999 /dev/zero | tr '\\0' a; printf 'ção\\n'");
    auto runner = mainRunner();
    runner.Execute("C", "accent", list, true);
    EXPECT_EQ(shown.value(3), QString(1999, u'a') + QString::fromUtf8("ção"));
}

TEST_F(RunnerTest, StartFailureShowsTheLineAndAbortsSilently)
{
    auto runner = mainRunner();
    try {
        runner.Execute("C", "programa_inexistente --password segredo c:\\wc", list, true);
        FAIL() << "no abort";
    } catch (const qor::EAbort &abort) {
        EXPECT_TRUE(abort.isSilent());
    }
    EXPECT_EQ(shown.value(shown.size() - 1), "Erro ao executar comando programa_inexistente --password ****** c:\\wc");
    EXPECT_EQ(host.restored, 1);
    EXPECT_EQ(host.acquired, 0);

    shown.clear();
    EXPECT_THROW(runner.Execute("C", "Svn_inexistente update", list, true), qor::EAbort);
    EXPECT_EQ(shown.value(shown.size() - 1),
              "ERRO AO EXECUTAR PROCESSO NO SUBVERSION, VERIFIQUE SE O SUBVERSION FOI INSTALADO CORRETAMENTE");
}

TEST_F(RunnerTest, InfoCaptionCapturesWithoutTheServerConnection)
{
    script("info", "echo 'URL: http://127.0.0.1/svn/a.pas'; sleep 1.2; echo 'Lock Owner: svn_b'");
    auto runner = mainRunner();
    runner.Execute("EXECUTANDO SVN INFO", "info", list, true);
    EXPECT_EQ(shown, (QStringList{vcs::ConsoleRunner::separator(), "EXECUTANDO SVN INFO", "Resultado :", "Resultado :"}));
    EXPECT_EQ(host.acquired, 0);
    // Every poll's output is kept, in order.
    EXPECT_EQ(host.captured.join(QString()), "URL: http://127.0.0.1/svn/a.pas\nLock Owner: svn_b\n");

    runner.Execute("GRAVANDO RELEASE", "info", list, true);
    EXPECT_EQ(host.acquired, 1);
    EXPECT_EQ(host.captured.join(QString()), "URL: http://127.0.0.1/svn/a.pas\nLock Owner: svn_b\n");
}

TEST_F(RunnerTest, PasswordGoesToStandardInputNeverToTheArguments)
{
    script("svn", "printf '%s\\n' \"$@\" > \"$0.args\"; cat > \"$0.stdin\"; echo \"'a.pas' travado pelo usuário 'svn_u'.\"");
    auto runner = mainRunner();
    runner.Execute("BLOQUEANDO", "svn lock --no-auth-cache --username svn_u --password Pw.9z%x c:\\WC\\a.pas", list, true);
    const QString args = ReadAll(bin + "/svn.args");
    EXPECT_FALSE(args.contains("Pw.9z%x"));
    EXPECT_EQ(args, "lock\n--no-auth-cache\n--username\nsvn_u\n--password-from-stdin\n" + dir.path() + "/c/wc/a.pas\n");
    EXPECT_EQ(ReadAll(bin + "/svn.stdin"), "Pw.9z%x\n");
    EXPECT_FALSE(shown.join("\n").contains("Pw.9z%x"));
}

TEST_F(RunnerTest, AQuestionOfTheChildNeverWaits)
{
    script("asks", "printf 'Senha: '; read answer; echo \"[$answer]\"");
    auto runner = mainRunner();
    runner.Execute("C", "asks", list, true);
    EXPECT_EQ(shown.value(shown.size() - 1), "Senha: []");
}

TEST_F(RunnerTest, HostPathsInTheOutputAreShownLogical)
{
    script("prints", QString("echo \"A    %1/c/wc/Unit1.pas\"").arg(dir.path()));
    auto runner = mainRunner();
    runner.Execute("C", "prints", list, true);
    EXPECT_EQ(shown.value(shown.size() - 1), "A    c:\\wc\\Unit1.pas");
}

TEST_F(RunnerTest, CheckinTwinFailsOnErrorCaseAsWritten)
{
    script("saysError", "echo 'svn: Error: x'");
    script("sayserror", "echo 'an error'");
    vcs::CheckinRunner checkin(paths);
    EXPECT_FALSE(checkin.Execute("saysError", list, true));
    EXPECT_TRUE(checkin.Execute("sayserror", list, true));
    EXPECT_EQ(shown, (QStringList{"svn: Error: x", "an error"}));
    EXPECT_FALSE(checkin.Execute("nao_existe --password x1", list, true));
    EXPECT_EQ(shown.value(2), "Error creating process nao_existe --password ******");
}

TEST_F(RunnerTest, LogViewerTwin)
{
    const qor::ScopedScriptedDialogs dialogs;
    script("svn", "echo '<log>'; echo '<logentry revision=\"3\">'");
    script("wc", "echo \"svn: E155007: '/x' não é uma cópia de trabalho\"");
    script("quiet", "true");
    QStringList stlSaida;
    vcs::HistoryRunner viewer(stlSaida, [] { return QString("svn_u"); }, paths);

    EXPECT_TRUE(viewer.Execute("", "svn log --no-auth-cache --xml --username u --password p http://h/svn/a", list, true));
    EXPECT_EQ(shown.size(), 0);
    EXPECT_EQ(stlSaida.join(QString()), "<log>\n<logentry revision=\"3\">\n");

    try {
        viewer.Execute("", "wc", list, true);
        FAIL();
    } catch (const qor::EAbort &abort) {
        EXPECT_EQ(abort.message(), "O arquivo selecionado, não corresponde a um arquivo controlado pelo Subversion.");
    }
    EXPECT_EQ(shown.value(0), vcs::ConsoleRunner::separator());
    EXPECT_EQ(shown.value(2), "Resultado :");

    try {
        viewer.Execute("VISUALIZANDO DIFERENÇAS", "quiet", list, true);
        FAIL();
    } catch (const qor::EAbort &abort) {
        EXPECT_TRUE(abort.isSilent());
    }
    ASSERT_FALSE(dialogs->shown.empty());
    EXPECT_EQ(dialogs->shown.back().text, "Não há diferenças entre os arquivos selecionados.");
    EXPECT_EQ(dialogs->shown.back().kind, qor::DialogRequest::Warning);

    EXPECT_THROW(viewer.Execute("", "nao_existe", list, true), qor::EAbort);
    EXPECT_EQ(dialogs->shown.back().text,
              "Não foi possível estabelecer comunicação do Subversion. Verifique se o programa está instalado corretamente.");
}

TEST_F(RunnerTest, EachCommandIsLoggedMaskedBeforeItRunsAndItsResultKept)
{
    QStringList order;
    script("svn", "echo \"saida $1\"; exit 3");
    auto runner = mainRunner();
    runner.setCommandLog([&](const QString &command) { order << "log: " + command; });
    list = [&](const QStringList &lines) { order << lines; };
    runner.Execute("C", "svn update --username u --password Pw.9z c:\\wc", list, true);
    ASSERT_GE(order.size(), 4);
    EXPECT_EQ(order[2], "log: svn update --username u --password ****** c:\\wc");
    EXPECT_EQ(order.last(), "saida update");
    ASSERT_EQ(runner.results().size(), 1);
    const vcs::CommandResult &result = runner.results()[0];
    EXPECT_EQ(result.caption, "C");
    EXPECT_EQ(result.shownCommand, "svn update --username u --password ****** c:\\wc");
    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.output, "saida update\n");
    EXPECT_EQ(vcs::RunnerPoints::mainWindow().waitMs, 1000);
}

TEST_F(RunnerTest, RefusedCommandsNeverStart)
{
    const qor::ScopedScriptedDialogs dialogs;
    script("svn", "touch \"$0.ran\"");
    auto runner = mainRunner();
    const QString outside = "svn update c:\\wc\\..\\..\\fora";
    try {
        runner.Execute("C", outside, list, true);
        FAIL() << "a path outside the drive ran";
    } catch (const qor::EAbort &abort) {
        EXPECT_TRUE(abort.message().contains("c:\\wc\\..\\..\\fora")) << abort.message().toStdString();
    }
    const QString path = "c:\\wc\\meu arquivo.pas";
    EXPECT_THROW(runner.Execute("C", vcs::CommandLine::checked("svn add " + path, {path}), list, true), qor::EAbort);
    EXPECT_FALSE(QFileInfo::exists(bin + "/svn.ran"));
    EXPECT_EQ(host.restored, 2);
}

TEST_F(RunnerTest, CheckinTwinIsFalseForAnUnlistedClientError)
{
    script("falha", "echo 'svn: E230001: Server SSL certificate verification failed'; exit 1");
    script("aviso", "echo 'svn: warning: W200017: Property not found'; exit 0");
    vcs::CheckinRunner checkin(paths);
    EXPECT_FALSE(checkin.Execute("falha", list, true));
    EXPECT_TRUE(checkin.Execute("aviso", list, true));
}
