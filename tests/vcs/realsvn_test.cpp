// The classification against the real client, over Apache + mod_dav_svn, in
// both languages the client speaks here.
#include "support.h"
#include "vcs/classifier.h"
#include "vcs/runners.h"
#include "vcs/svnclient.h"
#include "host/abort.h"
#include "host/dialogs.h"
#include "host/services.h"
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include "testsupport/realcomponent.h"
#include <gtest/gtest.h>
#include <unistd.h>
#ifdef APR_SERVER
#include "../server/serverprocess.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#endif

using namespace vcstest;

namespace {

const QString kUserA = "svn_a", kPassA = "Pa55-alfa";
const QString kUserB = "svn_b", kPassB = "Pb55-beta";
const QString kLockCaption = "BLOQUEANDO O ARQUIVO NO REPOSITÓRIO ...";
const QString kCommitCaption = "Repassando alterações para o Repositório...  ";
const QString kUpdateCaption = "ATUALIZANDO A CÓPIA DE TRABALHO";

// Apache with mod_dav_svn and two users, for the whole run.
class DavServer : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        // Apache runs as another user and must reach the repository.
        QFile::setPermissions(base.path(), QFile::permissions(base.path()) | QFile::ReadOther | QFile::ExeOther
                                               | QFile::ReadGroup | QFile::ExeGroup);
        port = 20000 + int(getpid() % 20000);
        qputenv("APR_HOME", (base.path() + "/apr").toLocal8Bit());
        QDir().mkpath(base.path() + "/apr/drives/c/wc");
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(DAVSERVER, {"start", base.path() + "/dav", QString::number(port),
                               kUserA + ":" + kPassA, kUserB + ":" + kPassB});
        const bool finished = tool.waitForFinished(60000);
        const QString out = QString::fromUtf8(tool.readAll()).trimmed();
        APR_REQUIRE_COMPONENT(finished && tool.exitCode() == 0, "Apache with mod_dav_svn", out);
        url = out.split('\n').last();
        // Every client started during the run records its arguments on the way.
        const QString bin = base.path() + "/bin";
        QDir().mkpath(bin);
        argumentLog = base.path() + "/svn-arguments.log";
        const QString real = QStandardPaths::findExecutable("svn");
        APR_REQUIRE_COMPONENT(!real.isEmpty(), "svn", "not found on the search path");
        WriteScript(bin, "svn", "printf '%s\\n' \"$*\" >> '" + argumentLog + "'\nexec '" + real + "' \"$@\"");
        qputenv("PATH", (bin + ":").toLocal8Bit() + qgetenv("PATH"));
    }
    void TearDown() override
    {
        QProcess::execute(DAVSERVER, {"stop", base.path() + "/dav"});
    }
    QTemporaryDir base;
    int port = 0;
    QString url;
    QString argumentLog;
};

DavServer *g_server = nullptr;

class Context : public vcs::ClassifierContext {
public:
    QString svnUser() const override { return user; }
    QString svnPassword() const override { return password; }
    QString currentTask() const { return "0000000077"; }
    QString currentActivity() const { return "00002"; }
    server::RemoteServer &server() override { return remote; }
    void enableConfirm() override {}
    QStringList files;
    vcs::CheckoutLedger ledger{files};
    QString user = kUserB, password = kPassB;
    RecordingServer remote;
};

class RealSvn : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        qor::Session session;
        session.filial = "0001";
        qor::SetSession(session);
        const QString lang = GetParam();
        area = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())
                   .section('/', 0, 0) + "_" + QString(lang).replace('.', '_').replace('-', '_');
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LANG", lang);
        environment.insert("LC_ALL", lang);
        environment.remove("LANGUAGE");
        runner = std::make_unique<vcs::MainRunner>(context.remote, [this] { confirmEnabled = true; }, stlSaidaSvn);
        runner->runner().setEnvironment(environment);
        runner->setClassifier(&classifier, sink);
        classifier.setLedger(&context.ledger);
        context.ledger.begin({"0001", context.currentTask(), context.currentActivity()});

        direct({"mkdir", "--parents", "-m", "SOL:1 area", repo()}, kUserA);
        const QString co = direct({"checkout", repo(), host("a")}, kUserA);
        ASSERT_TRUE(QFileInfo::exists(host("a") + "/.svn")) << co.toStdString() << direct({"mkdir", "--parents", "-m", "SOL:1 area", repo()}, kUserA).toStdString();
        direct({"checkout", repo(), host("b")}, kUserB);
        write("a\\Unit1.pas", "unit Unit1;\n");
        write("a\\Form1.dfm", "object Form1\n");
        direct({"add", host("a") + "/Unit1.pas", host("a") + "/Form1.dfm"}, kUserA);
        direct({"commit", "-m", "SOL:1 inicial", host("a")}, kUserA);
        direct({"update", host("b")}, kUserB);
    }
    void TearDown() override
    {
        const QString shown = Lines().join('\n');
        EXPECT_FALSE(shown.contains(kPassA)) << "password shown";
        EXPECT_FALSE(shown.contains(kPassB)) << "password shown";
        const QString arguments = ReadAll(g_server->argumentLog);
        EXPECT_TRUE(arguments.contains("--password-from-stdin"));
        EXPECT_FALSE(arguments.contains(kPassA)) << "password among a child's arguments";
        EXPECT_FALSE(arguments.contains(kPassB)) << "password among a child's arguments";
    }

    QString repo() const { return g_server->url + "/" + area; }
    QString logical(const QString &rel) const { return "c:\\wc\\" + area + "\\" + rel; }
    QString host(const QString &rel) const { return vcs::PathMap().toHost(logical(rel)); }
    void write(const QString &rel, const QByteArray &text)
    {
        QFile file(host(rel));
        file.open(QIODevice::WriteOnly | QIODevice::Append);
        file.write(text);
    }
    // The client run directly, for the set-up of a case.
    QString direct(QStringList args, const QString &user)
    {
        QProcess svn;
        svn.setProcessEnvironment(environment);
        svn.setProcessChannelMode(QProcess::MergedChannels);
        args << "--non-interactive" << "--no-auth-cache" << "--username" << user << "--password-from-stdin";
        svn.start("svn", args);
        svn.waitForStarted();
        svn.write(((user == kUserA ? kPassA : kPassB) + "\n").toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll());
    }
    QString credentials(const QString &user) const
    {
        return " --no-auth-cache --username " + user + " --password " + (user == kUserA ? kPassA : kPassB) + " ";
    }
    // Runs through the main runner; the message the classification ended with,
    // "" when the command went through, "<silent>" for the silent abort.
    template <typename Command> QString run(const QString &caption, const Command &commandLine)
    {
        try {
            runner->Execute(caption, commandLine, sink, true);
        } catch (const qor::EAbort &abort) {
            return abort.isSilent() ? "<silent>" : abort.message();
        }
        return {};
    }
    QStringList Lines() const { return progress; }
    // The tone of the first shown line that contains part.
    vcs::Recognition::Tone toneOfLine(const QString &part) const
    {
        for (const QString &line : Lines()) {
            if (line.contains(part)) return vcs::Recognition::mainWindow().toneOf(line);
        }
        ADD_FAILURE() << "no line with " << part.toStdString() << " in\n" << Lines().join('\n').toStdString();
        return vcs::Recognition::Tone::Normal;
    }
    bool found(const QString &key) const { return vcs::Recognition::mainWindow().successIn(key, Lines().join('\n')); }
    QString msg(const char *key) const { return vcs::Recognition::mainWindow().text(key); }
    QString out() const { return Lines().join('\n'); }

    qor::ScopedScriptedDialogs dialogs;
    QString area;
    QProcessEnvironment environment;
    Context context;
    vcs::Classifier classifier{context};
    bool confirmEnabled = false;
    QStringList stlSaidaSvn;
    QStringList progress;
    vcs::LineSink sink = [this](const QStringList &lines) { progress << lines; };
    std::unique_ptr<vcs::MainRunner> runner;
};

using Tone = vcs::Recognition::Tone;

}

TEST_P(RealSvn, UpdateCheckoutAndAtRevision)
{
    write("a\\Unit1.pas", "// mais\n");
    direct({"commit", "-m", "SOL:2 x", host("a")}, kUserA);
    EXPECT_EQ(run(kUpdateCaption, "svn update" + credentials(kUserB) + logical("b")), "") << out().toStdString();
    EXPECT_TRUE(found("ATUALIZADO1")) << out().toStdString();
    EXPECT_EQ(run(kUpdateCaption, "svn update" + credentials(kUserB) + logical("b")), "");
    EXPECT_TRUE(found("ATUALIZADO2")) << out().toStdString();
    EXPECT_EQ(run(kUpdateCaption, "svn checkout" + credentials(kUserB) + repo() + " " + logical("c")), "");
    EXPECT_TRUE(found("GERADA_COPIA")) << out().toStdString();
    // The client printed host paths; the list shows them logical.
    EXPECT_TRUE(out().contains("A    " + logical("c") + "\\Unit1.pas")) << out().toStdString();
    EXPECT_FALSE(out().contains(g_server->base.path())) << out().toStdString();
}

TEST_P(RealSvn, LockUnlockAndCommit)
{
    const QString file = logical("b\\unit1.pas");
    EXPECT_EQ(run(kLockCaption + " Unit1.pas", "svn lock" + credentials(kUserB) + file), "") << out().toStdString();
    EXPECT_TRUE(found("TRAVAREALIZADA")) << out().toStdString();
    EXPECT_EQ(toneOfLine("Unit1.pas'"), Tone::Success);
    EXPECT_EQ(run("DESBLOQUEANDO O ARQUIVO ...Unit1.pas", "svn unlock" + credentials(kUserB) + file), "");
    EXPECT_TRUE(found("ARQDESTRAVADO")) << out().toStdString();
    write("b\\Unit1.pas", "// b\n");
    EXPECT_EQ(run(kCommitCaption, "svn commit --no-auth-cache -m \"SOL:3 ajuste de teste\" --username " + kUserB
                                      + " --password " + kPassB + " " + logical("b")), "") << out().toStdString();
    EXPECT_TRUE(found("COMMITREALIZADO")) << out().toStdString();
    EXPECT_TRUE(context.remote.calls.empty());
    EXPECT_EQ(context.remote.uses, 0);
    EXPECT_GE(context.remote.acquired, 3);
}

TEST_P(RealSvn, LockHeldByAnotherUserUnlocksOursClearsAndShowsErroTrava)
{
    direct({"lock", host("a") + "/Unit1.pas"}, kUserA);
    context.files = {logical("b\\Form1.dfm"), logical("b\\Unit1.pas")};
    EXPECT_EQ(run(kLockCaption + " Form1.dfm", "svn lock" + credentials(kUserB) + context.files[0].toLower()), "");
    EXPECT_EQ(run(kLockCaption + " Unit1.pas", "svn lock" + credentials(kUserB) + context.files[1].toLower()),
              msg("ERRO_TRAVA")) << out().toStdString();
    EXPECT_EQ(toneOfLine("W160035"), Tone::Failure);
    // Our own lock of Form1.dfm was released by the unlock commands.
    EXPECT_TRUE(found("ARQDESTRAVADO")) << out().toStdString();
    EXPECT_EQ(Lines().filter("DESBLOQUEANDO O ARQUIVO ...").size(), 2);
    const QString info = direct({"info", repo() + "/Form1.dfm"}, kUserA);
    EXPECT_FALSE(info.contains(kUserB)) << info.toStdString();
    ASSERT_EQ(context.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(context.remote.calls[0].args, (QJsonArray{"0001", "0000000077", "00002"}));
    EXPECT_TRUE(confirmEnabled);
    // The other user's lock is untouched.
    EXPECT_TRUE(direct({"info", repo() + "/Unit1.pas"}, kUserA).contains(kUserA));
}

TEST_P(RealSvn, LockOfAnUnversionedFile)
{
    write("b\\Novo.pas", "x\n");
    context.files = {logical("b\\novo.pas")};
    EXPECT_EQ(run(kLockCaption + " Novo.pas", "svn lock" + credentials(kUserB) + logical("b\\novo.pas")),
              msg("ERRO_TRAVA_ARQ_SEM_VERSAO")) << out().toStdString();
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 1);
}

TEST_P(RealSvn, LockOfAnOutdatedFile)
{
    write("a\\Unit1.pas", "// nova\n");
    direct({"commit", "-m", "SOL:4 x", host("a")}, kUserA);
    context.files = {logical("b\\unit1.pas")};
    EXPECT_EQ(run(kLockCaption + " Unit1.pas", "svn lock" + credentials(kUserB) + logical("b\\unit1.pas")),
              msg("FALHA_LOCK")) << out().toStdString();
    EXPECT_EQ(Lines().filter("DESBLOQUEANDO O ARQUIVO ...").size(), 1);
    EXPECT_EQ(context.remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(toneOfLine("W160042"), Tone::Failure);
}

TEST_P(RealSvn, CommitOfAnOutdatedFileIsRefused)
{
    write("a\\Unit1.pas", "// a\n");
    direct({"commit", "-m", "SOL:5 a", host("a")}, kUserA);
    write("b\\Unit1.pas", "// b\n");
    EXPECT_EQ(run(kCommitCaption, "svn commit --no-auth-cache -m \"SOL:5 b\" --username " + kUserB + " --password "
                                      + kPassB + " " + logical("b")), msg("FALHA_COMMIT")) << out().toStdString();
    EXPECT_TRUE(confirmEnabled);
}

TEST_P(RealSvn, LockedWorkingCopyNeedsCleanup)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", area);
        db.setDatabaseName(host("b") + "/.svn/wc.db");
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("INSERT INTO wc_lock (wc_id, local_dir_relpath, locked_levels) VALUES (1, '', -1)");
        db.close();
    }
    QSqlDatabase::removeDatabase(area);
    EXPECT_EQ(run(kUpdateCaption, "svn update" + credentials(kUserB) + logical("b")),
              msg("ERRO_TRAVA_COPIA_DE_TRABALHO")) << out().toStdString();
}

TEST_P(RealSvn, NotAWorkingCopy)
{
    QDir().mkpath(host("solto"));
    EXPECT_EQ(run(kUpdateCaption, "svn update" + credentials(kUserB) + logical("solto")), "") << out().toStdString();
    EXPECT_EQ(toneOfLine("E155007"), Tone::Failure);
    EXPECT_EQ(run(kCommitCaption, "svn commit --no-auth-cache -m \"SOL:6 x\" --username " + kUserB + " --password "
                                      + kPassB + " " + logical("solto")), msg("ERRO_GERAL")) << out().toStdString();
}

TEST_P(RealSvn, ServerUnreachableAndAuthenticationRefused)
{
    const QString closed = QString("http://127.0.0.1:%1/svn").arg(g_server->port + 1);
    EXPECT_EQ(run(kUpdateCaption, "svn list" + credentials(kUserB) + closed), msg("ERRO_GERAL")) << out().toStdString();
    EXPECT_EQ(run(kUpdateCaption, "svn update --no-auth-cache --username " + kUserB + " --password errada-xyz "
                                      + logical("b")), msg("ERRO_GERAL")) << out().toStdString();
    EXPECT_FALSE(out().contains("errada-xyz"));
}

TEST_P(RealSvn, AFileNamedWithAnAtIsLockedCommittedAndUnlocked)
{
    write("a\\logo@2x.png", "png\n");
    direct({"add", host("a") + "/logo@2x.png@"}, kUserA);
    direct({"commit", "-m", "SOL:7 logo", host("a")}, kUserA);
    direct({"update", host("b")}, kUserB);
    ASSERT_TRUE(QFileInfo::exists(host("b") + "/logo@2x.png"));
    const QString file = logical("b\\logo@2x.png");
    EXPECT_EQ(run(kLockCaption + " logo@2x.png", "svn lock" + credentials(kUserB) + file), "") << out().toStdString();
    EXPECT_TRUE(found("TRAVAREALIZADA")) << out().toStdString();
    write("b\\logo@2x.png", "mais\n");
    EXPECT_EQ(run(kCommitCaption, "svn commit --no-auth-cache -m \"SOL:7 logo novo\" --username " + kUserB
                                      + " --password " + kPassB + " " + file), "") << out().toStdString();
    EXPECT_TRUE(found("COMMITREALIZADO")) << out().toStdString();
    direct({"lock", host("b") + "/logo@2x.png@"}, kUserB);
    // The undo of a check-out unlocks it with a command the module builds itself.
    EXPECT_EQ(run("DESBLOQUEANDO O ARQUIVO ...logo@2x.png", classifier.unlockCommand(file)), "") << out().toStdString();
    EXPECT_TRUE(found("ARQDESTRAVADO")) << out().toStdString();
    EXPECT_FALSE(direct({"info", repo() + "/logo@2x.png@"}, kUserA).contains("Lock Owner")) ;
    EXPECT_TRUE(context.remote.calls.empty());
}

// (No "Erro" in the name: it becomes part of the paths the client prints.)
TEST_P(RealSvn, AClientFailureNoRuleListsFailsAndItsWarningIsNotRed)
{
    const QString missing = run(kUpdateCaption, "svn cat" + credentials(kUserB) + repo() + "/nao-existe.pas");
    EXPECT_TRUE(missing.startsWith(msg("ERRO_GERAL"))) << missing.toStdString();
    EXPECT_TRUE(missing.contains("svn: E200009")) << missing.toStdString();
    EXPECT_EQ(runner->runner().results().last().classification.kind, vcs::Classification::Kind::ClientError);
    EXPECT_NE(runner->runner().results().last().exitCode, 0);
    EXPECT_EQ(toneOfLine("W160013"), Tone::Normal);
    EXPECT_EQ(toneOfLine("E200009"), Tone::Failure);
    EXPECT_TRUE(context.remote.calls.empty());
}

#ifdef APR_SERVER
// The lock-failure path against the real application server: the files the
// activity recorded for check-out are forgotten by ClearArqCheckout.
TEST_P(RealSvn, LockFailureClearsTheFilesOnTheApplicationServer)
{
    testsupport::ServerProcess apr;
    APR_REQUIRE_COMPONENT(apr.start(APR_SERVER), "apr-server", apr.why());
    server::TNetConnection connection;
    connection.Host = apr.host();
    connection.Port = apr.port();
    connection.Token = apr.token();
    server::ConnectionUses uses;
    server::NetRemoteServer remote(connection, uses);
    struct ServerContext : Context {
        server::RemoteServer *real = nullptr;
        server::RemoteServer &server() override { return *real; }
    } serverContext;
    serverContext.real = &remote;
    vcs::Classifier realClassifier(serverContext);
    realClassifier.setLedger(&serverContext.ledger);
    serverContext.ledger.begin({"0001", serverContext.currentTask(), serverContext.currentActivity()});
    runner->setClassifier(&realClassifier, sink);

    direct({"lock", host("a") + "/Unit1.pas"}, kUserA);
    serverContext.files = {logical("b\\Form1.dfm"), logical("b\\Unit1.pas")};
    const QJsonArray activity{"0001", serverContext.currentTask(), serverContext.currentActivity()};
    for (int code = 0; code < serverContext.files.size(); ++code)
        remote.call("SetArqCheckout", QJsonArray{activity[0], activity[1], activity[2], QString::number(code),
                                                 serverContext.files[code]});
    auto recorded = [&] { return remote.call("GetArqCheckout", activity).toObject().value("rows").toArray().size(); };
    ASSERT_EQ(recorded(), 2);

    EXPECT_EQ(run(kLockCaption + " Form1.dfm", "svn lock" + credentials(kUserB) + serverContext.files[0].toLower()), "");
    EXPECT_EQ(run(kLockCaption + " Unit1.pas", "svn lock" + credentials(kUserB) + serverContext.files[1].toLower()),
              msg("ERRO_TRAVA")) << out().toStdString();
    EXPECT_EQ(recorded(), 0);
    EXPECT_EQ(uses.count("netZEL"), 0);
    EXPECT_FALSE(direct({"info", repo() + "/Form1.dfm"}, kUserA).contains(kUserB));
}
#endif

// The client's commands, and what it reads of their raw output, are the same in both languages.
TEST_P(RealSvn, ClientReadsStatusFromTheClientsOwnOutput)
{
    const vcs::SvnClient svn(context.user, context.password);
    const vcs::SvnRun listing{runner->runner(), "Selecionando arquivos que são controlados pelo subversion.", sink};
    write("b\\Unit1.pas", "// alterado\n");
    write("b\\Nova.pas", "unit Nova;\n");
    QFile::remove(host("b") + "/Form1.dfm");

    const vcs::SvnStatus status = svn.status(listing, {logical("b")});
    // The shown lines carry the runner's frame ("Resultado :"); none of it is read as a file.
    EXPECT_TRUE(out().contains("Resultado :")) << out().toStdString();
    EXPECT_EQ(status.paths("MCR"), QStringList{logical("b\\Unit1.pas")}) << out().toStdString();
    EXPECT_EQ(status.paths("?"), QStringList{logical("b\\Nova.pas")});
    EXPECT_EQ(status.paths("!"), QStringList{logical("b\\Form1.dfm")});
    EXPECT_TRUE(status.warnings.isEmpty());

    const vcs::SvnXmlStatus xml = svn.statusXml(listing, logical("b"));
    EXPECT_TRUE(xml.complete);
    QStringList items;
    for (const vcs::SvnXmlStatusEntry &entry : xml.entries)
        if (entry.item != "normal") items << entry.item + " " + entry.path;
    items.sort();
    EXPECT_EQ(items, (QStringList{"missing " + logical("b\\Form1.dfm"), "modified " + logical("b\\Unit1.pas"),
                                  "unversioned " + logical("b\\Nova.pas")}));

    QDir().mkpath(host("solto"));
    write("solto\\x.pas", "x\n");
    const vcs::SvnStatus fora = svn.status(listing, {logical("solto")});
    EXPECT_TRUE(fora.lines.isEmpty());
    EXPECT_EQ(fora.warnings.size(), 1) << out().toStdString();
}

TEST_P(RealSvn, ClientLocksReadsTheOwnerAndUnlocks)
{
    const vcs::SvnClient svn(context.user, context.password);
    const QString file = logical("b\\unit1.pas");
    const vcs::CommandResult lock = svn.lock({runner->runner(), kLockCaption + " Unit1.pas", sink}, file);
    EXPECT_EQ(lock.shownCommand, "svn lock --no-auth-cache --username " + kUserB + " --password ****** " + file);
    EXPECT_TRUE(vcs::Recognition::mainWindow().successIn("TRAVAREALIZADA", lock.output)) << lock.output.toStdString();

    const vcs::SvnRun question{runner->runner(), msg("EXEC_SVN_INFO"), sink};
    const vcs::SvnInfo local = svn.info(question, file, vcs::SvnClient::InfoOrder::XmlFirst);
    EXPECT_TRUE(local.answered);
    EXPECT_EQ(local.url, repo() + "/Unit1.pas");
    EXPECT_EQ(local.root, g_server->url);
    EXPECT_FALSE(local.revision.isEmpty());
    EXPECT_EQ(svn.info(question, local.url).lockOwner, kUserB);

    const vcs::CommandResult unlock = svn.unlock({runner->runner(), "DESBLOQUEANDO O ARQUIVO ...Unit1.pas", sink}, file);
    EXPECT_TRUE(vcs::Recognition::mainWindow().successIn("ARQDESTRAVADO", unlock.output)) << unlock.output.toStdString();
    EXPECT_EQ(svn.info(question, local.url).lockOwner, "");
    write("b\\Fora.pas", "fora\n");
    EXPECT_EQ(svn.info(question, logical("b\\fora.pas")).url, "") << out().toStdString();
}

// A name whose "@" part reads as a revision is updated as the directory it names.
TEST_P(RealSvn, ClientUpdatesADirectoryNamedLikeAPegRevision)
{
    direct({"mkdir", host("a") + "/versao@2@"}, kUserA);
    direct({"commit", "-m", "SOL:8 versao", host("a")}, kUserA);
    direct({"update", host("b")}, kUserB);
    ASSERT_TRUE(QFileInfo::exists(host("b") + "/versao@2"));
    write("a\\versao@2\\x.pas", "x\n");
    direct({"add", host("a") + "/versao@2/x.pas@"}, kUserA);
    direct({"commit", "-m", "SOL:8 x", host("a")}, kUserA);
    const vcs::SvnClient svn(context.user, context.password);
    const vcs::CommandResult update = svn.update({runner->runner(), kUpdateCaption, sink}, logical("b\\versao@2"));
    EXPECT_FALSE(update.classification.failed()) << update.output.toStdString();
    EXPECT_TRUE(QFileInfo::exists(host("b") + "/versao@2/x.pas")) << update.output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, RealSvn, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

int registerServer = [] {
    g_server = new DavServer;
    ::testing::AddGlobalTestEnvironment(g_server);
    return 0;
}();
