// The check-out against the real client and Apache + mod_dav_svn: the locks
// it takes, the backups it writes, and that every failure gives them back.
#include "checkoutsupport.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "serverprocess.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <QFileInfo>
#include <QSqlQuery>
#include <QUrl>
#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

using namespace chktest;
using wctest::DavServer;

namespace {

QString Entre(const QString &text, const QString &from, const QString &to)
{
    const qsizetype a = text.indexOf(from);
    if (a < 0)
        return {};
    const qsizetype b = text.indexOf(to, a + from.size());
    return b < 0 ? QString() : text.mid(a + from.size(), b - a - from.size());
}

// Kills every svn child of this process that locks a file named like `name`.
class Matador {
public:
    explicit Matador(QString name) : m_name(std::move(name)), m_thread([this] { run(); }) {}
    ~Matador()
    {
        m_stop = true;
        m_thread.join();
    }
    int mortos() const { return m_mortos; }

private:
    void run()
    {
        const QByteArray pai = QByteArray::number(getpid());
        while (!m_stop) {
            for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
                if (pid.isEmpty() || !pid[0].isDigit())
                    continue;
                QFile stat("/proc/" + pid + "/stat");
                if (!stat.open(QIODevice::ReadOnly))
                    continue;
                const QByteArray s = stat.readAll();
                const QList<QByteArray> campos = s.mid(s.lastIndexOf(')') + 2).split(' ');
                if (campos.size() < 2 || campos[1] != pai)
                    continue;
                QFile cmd("/proc/" + pid + "/cmdline");
                if (!cmd.open(QIODevice::ReadOnly))
                    continue;
                const QList<QByteArray> args = cmd.readAll().split('\0');
                if (args.contains("lock") && QString::fromUtf8(args.join(' ')).contains(m_name, Qt::CaseInsensitive)) {
                    ::kill(pid.toInt(), SIGKILL);
                    ++m_mortos;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    QString m_name;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_mortos{0};
    std::thread m_thread;
};

class RealCheckout : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        bench = std::make_unique<Bench>(GetParam());
        RespostasPadrao(bench->remote);
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("chk/trunk/Fontes/Cad")});
        bench->svn({"checkout", bench->repo("chk/trunk"), bench->host("c:\\prod\\chk")});
        for (const QString &nome : {"uCadCli.pas", "uCadCli.dfm", "uCadCliB.pas"}) {
            bench->write(dir + nome, "original " + nome.toUtf8() + "\n");
            arquivos << dir + nome;
        }
        bench->svn({"add", bench->host(dir + "uCadCli.pas"), bench->host(dir + "uCadCli.dfm"),
                    bench->host(dir + "uCadCliB.pas")});
        bench->svn({"commit", "-m", "SOL:1 cad", bench->host("c:\\prod\\chk")});
        QDir().mkpath(bench->host("h:\\workdir\\w"));
        janela = std::make_unique<Janela>(*bench);
        janela->repositorio = bench->repo("chk/trunk");
        janela->escolha = arquivos;
    }
    QString dono(const QString &nome) const
    {
        return Entre(Entre(bench->svn({"info", "--xml", bench->repo("chk/trunk/Fontes/Cad/" + nome)}), "<lock>", "</lock>"),
                     "<owner>", "</owner>");
    }
    QString realiza()
    {
        return AbortOf([&] { janela->novo()->Realiza_Checkout(janela->pedido()); });
    }
    QString lockAs(const QString &user, const QString &pass, const QString &nome) const
    {
        QProcess svn;
        svn.setProcessEnvironment(bench->environment);
        svn.setProcessChannelMode(QProcess::MergedChannels);
        svn.start("svn", {"lock", "--non-interactive", "--no-auth-cache", "--username", user, "--password-from-stdin",
                          "-m", "outro", bench->repo("chk/trunk/Fontes/Cad/" + nome)});
        svn.waitForStarted();
        svn.write((pass + "\n").toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll());
    }
    const QString dir = "c:\\prod\\chk\\Fontes\\Cad\\";
    QStringList arquivos;
    std::unique_ptr<Bench> bench;
    std::unique_ptr<Janela> janela;
};

}

TEST_P(RealCheckout, LocksEveryFileKeepsLocalChangesAndWritesTheBackups)
{
    bench->write(dir + "uCadCli.pas", "typed by the operator\n");
    ASSERT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();
    for (const QString &nome : {"uCadCli.pas", "uCadCli.dfm", "uCadCliB.pas"})
        EXPECT_EQ(dono(nome), wctest::kUser) << nome.toStdString();
    // The working copy holds the repository's content; what was typed is kept beside the backup.
    EXPECT_EQ(wctest::ReadAll(bench->host(dir + "uCadCli.pas")), "original uCadCli.pas\n");
    const QString atividade = "h:\\workdir\\w\\" + kRequest + "\\" + kTask + "\\" + kActivity + "\\";
    EXPECT_EQ(wctest::ReadAll(bench->host(atividade + "uCadCli.pas")), "original uCadCli.pas\n");
    EXPECT_EQ(wctest::ReadAll(bench->host(atividade + "uCadCli.pas.local-20260310-093015")), "typed by the operator\n");
    EXPECT_EQ(wctest::ReadAll(bench->host(atividade + "uCadCliB.pas")), "original uCadCliB.pas\n");
    EXPECT_FALSE(QFileInfo::exists(bench->host(atividade + "uCadCli.dfm.local-20260310-093015")));
    // Three files: from 100000 by 333333 each, then the end.
    const QList<int> fim = janela->barra.mid(janela->barra.size() - 5);
    EXPECT_EQ(fim, (QList<int>{100000, 433333, 766666, 1099999, 1000000}));
    QStringList locks;
    for (const vcs::CommandResult &r : bench->runner->runner().results())
        if (r.shownCommand.startsWith("svn lock"))
            locks << r.shownCommand;
    ASSERT_EQ(locks.size(), 3);
    EXPECT_TRUE(locks[0].startsWith("svn lock --no-auth-cache --username svn_w --password "));
    EXPECT_TRUE(locks[0].endsWith(" c:\\prod\\chk\\fontes\\cad\\ucadcli.pas"));
    EXPECT_EQ(bench->remote.count("GetArqCheck"), 1);
    EXPECT_EQ(bench->remote.count("SetCheckout"), 1);
    EXPECT_EQ(bench->remote.count("ClearArqCheckout"), 0);
    EXPECT_FALSE(bench->progresso.join('\n').contains(wctest::kPass));
    EXPECT_FALSE(bench->modulo.boOperaSubversion);
}

TEST_P(RealCheckout, AFileLockedByAnotherUserLeavesNoLockOfOurs)
{
    ASSERT_TRUE(AddOtherUser());
    ASSERT_TRUE(lockAs(kOutro, kSenhaOutro, "uCadCliB.pas").contains(kOutro));
    EXPECT_EQ(realiza(), workcopy::Msg("ERRO_TRAVA"));
    EXPECT_EQ(dono("uCadCli.pas"), "");
    EXPECT_EQ(dono("uCadCli.dfm"), "");
    EXPECT_EQ(dono("uCadCliB.pas"), kOutro);   // not ours to break
    EXPECT_GE(bench->remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(bench->remote.count("SetCheckout"), 0);
    EXPECT_TRUE(janela->confirmacao);
}

TEST_P(RealCheckout, AClientKilledWhileLockingLeavesNoLockOfOurs)
{
    QString mensagem;
    {
        const Matador matador("ucadclib.pas");
        mensagem = realiza();
        EXPECT_GE(matador.mortos(), 1);
    }
    EXPECT_FALSE(mensagem.isEmpty());
    for (const QString &nome : {"uCadCli.pas", "uCadCli.dfm", "uCadCliB.pas"})
        EXPECT_EQ(dono(nome), "") << nome.toStdString();
    EXPECT_EQ(bench->remote.count("ClearArqCheckout"), 1);
    EXPECT_EQ(bench->remote.count("SetCheckout"), 0);
}

TEST_P(RealCheckout, ALockThatCannotBeReleasedIsListedAndTheFirstFailureReported)
{
    ASSERT_TRUE(AddOtherUser());
    // The repository refuses to unlock one file, whoever asks.
    const QString hook = DavServer::instance().base.path() + "/dav/repo/hooks/pre-unlock";
    {
        QFile f(hook);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\ncase \"$2\" in *naolibera*) echo recusado >&2; exit 1;; esac\nexit 0\n");
    }
    QFile::setPermissions(hook, QFile::permissions(hook) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther
                                    | QFile::ReadGroup | QFile::ReadOther);
    bench->write(dir + "naolibera.pas", "x\n");
    bench->svn({"add", bench->host(dir + "naolibera.pas")});
    bench->svn({"commit", "-m", "SOL:1 n", bench->host("c:\\prod\\chk")});
    ASSERT_TRUE(lockAs(kOutro, kSenhaOutro, "uCadCliB.pas").contains(kOutro));
    janela->escolha = {dir + "uCadCli.pas", dir + "naolibera.pas", dir + "uCadCliB.pas"};
    workflow::Checkout checkout(bench->fluxo, janela->ctx, janela->hooks);
    const QString mensagem = AbortOf([&] { checkout.Realiza_Checkout(janela->pedido()); });
    QFile::remove(hook);
    EXPECT_EQ(mensagem, workcopy::Msg("ERRO_TRAVA"));
    EXPECT_EQ(dono("uCadCli.pas"), "");
    EXPECT_EQ(dono("naolibera.pas"), wctest::kUser);
    EXPECT_EQ(checkout.travasNaoLiberadas(), QStringList{dir + "naolibera.pas"});
    const QString vista = bench->progresso.join('\n');
    EXPECT_TRUE(vista.contains(workflow::CheckoutTexts().Msg("TRAVAS_NAO_LIBERADAS") + "\n" + dir + "naolibera.pas"))
        << vista.toStdString();
    bench->svn({"unlock", "--force", bench->repo("chk/trunk/Fontes/Cad/naolibera.pas")});
}

// On the Lumetra product platform the directory commits carry a metadata
// release the check-out asks the server for first, never a stale or empty one.
TEST_P(RealCheckout, AMissingDirectoryIsCreatedInTheCopyAndTheRepository)
{
    bench->modulo.stReleaseMetaDados = "045";   // an earlier check-in's: not this activity's
    bench->remote.answers["ReleaseMetaDados"] = "46";
    janela->hooks.arvoreProduto = [] { return QStringLiteral("01.04.01"); };
    bench->remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Novo\\Sub"}, {"Fontes\\Novo2"}});
    janela->plataforma(workflow::PlataformaProduto::ProdutoLumetra);
    workflow::PedidoCheckout pedido = janela->pedido();
    pedido.solicitacao = "123  ";
    bench->dialogs->answer(0);   // CRIAR DIRETÓRIO PARA TRABALHO
    bench->dialogs->answer(0);
    ASSERT_EQ(AbortOf([&] { janela->novo()->Realiza_Checkout(pedido); }), "") << bench->progresso.join('\n').toStdString();
    EXPECT_TRUE(janela->selecoes.empty());   // a new work item: nothing to check out
    const QString log = bench->svn({"log", "--xml", bench->repo("chk/trunk/Fontes/Novo")});
    EXPECT_TRUE(log.contains("<msg>SOL:123 - Release metadados: 46</msg>")) << log.toStdString();
    EXPECT_TRUE(bench->svn({"info", bench->repo("chk/trunk/Fontes/Novo/Sub")}).contains("Novo/Sub"));
    const QString log2 = bench->svn({"log", "--xml", bench->repo("chk/trunk/Fontes/Novo2")});
    EXPECT_TRUE(log2.contains("<msg>SOL:123 - Release metadados: 46</msg>")) << log2.toStdString();
    // One release for the check-out, for the activity and its product tree.
    ASSERT_EQ(bench->remote.count("ReleaseMetaDados"), 1);
    for (const auto &call : bench->remote.calls)
        if (call.method == "ReleaseMetaDados")
            EXPECT_EQ(call.args, (QJsonArray{QString(wctest::kUser).remove("svn_"), "0001", kTask, kActivity, "01.04.01"}));

    janela->plataforma(workflow::PlataformaProduto::Delphi);
    bench->remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"Fontes\\Outro"}});
    bench->dialogs->answer(0);
    ASSERT_EQ(AbortOf([&] { janela->novo()->Realiza_Checkout(pedido); }), "");
    const QString outro = bench->svn({"log", "--xml", bench->repo("chk/trunk/Fontes/Outro")});
    EXPECT_TRUE(outro.contains("<msg>SOL:123</msg>")) << outro.toStdString();
    EXPECT_EQ(janela->barra.last(), 1000000);
    EXPECT_EQ(bench->remote.count("ReleaseMetaDados"), 1);
}

// No metadata release (the product is not set up for one, or no number came
// back): the check-out is refused before a directory is made or committed.
TEST_P(RealCheckout, WithoutAMetadataReleaseNoDirectoryIsCreated)
{
    bench->remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Novo"}});
    janela->plataforma(workflow::PlataformaProduto::ProdutoLumetra);
    for (const QJsonValue &resposta : {QJsonValue("ERRO_PROD_NAO_PARAM"), QJsonValue()}) {
        bench->remote.answers["ReleaseMetaDados"] = resposta;
        bench->dialogs->answer(0);   // CRIAR DIRETÓRIO PARA TRABALHO
        const QString motivo = realiza();
        EXPECT_TRUE(motivo.contains("release metadados")) << motivo.toStdString();
        EXPECT_FALSE(QFileInfo::exists(bench->host("c:\\prod\\chk\\Fontes\\Novo")));
        EXPECT_FALSE(bench->svn({"log", "--xml", bench->repo("chk/trunk")}).contains("Release metadados"));
        EXPECT_FALSE(bench->progresso.join('\n').contains(workcopy::Msg("ACAO_SUBVERSION_CRIADIR")))
            << bench->progresso.join('\n').toStdString();
    }
    EXPECT_TRUE(bench->modulo.stReleaseMetaDados.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Languages, RealCheckout, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

TEST_P(RealCheckout, APendingActivityUpdatesTheProductsCopiesFirstAndChecksThem)
{
    bench->svn({"checkout", bench->repo("chk/trunk"), bench->host("c:\\outra")});
    bench->write("c:\\outra\\Fontes\\Cad\\uCadCli.dfm", "from another copy\n");
    bench->svn({"commit", "-m", "SOL:2 outra", bench->host("c:\\outra")});
    bench->remote.answers["Getativpen"] = Packet({"IDALTSTATUSPEND"}, {{"S"}});
    const QString repo = bench->repo("chk/trunk");
    bench->remote.answers["GetDirProd"] = Packet({"DSDIRBASEVER", "DSDIRVSS"}, {{"\\prod\\chk", repo}});
    janela->escolha.clear();
    ASSERT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();
    EXPECT_EQ(wctest::ReadAll(bench->host(dir + "uCadCli.dfm")), "from another copy\n");
    const QList<vcs::CommandResult> &feitos = bench->runner->runner().results();
    const auto update = std::find_if(feitos.begin(), feitos.end(),
                                     [](const vcs::CommandResult &r) { return r.shownCommand.startsWith("svn update"); });
    ASSERT_NE(update, feitos.end());
    EXPECT_EQ(update->caption, workcopy::Msg("ACAO_SUBVERSION_ATUALARQ") + " c:\\prod\\chk");
    EXPECT_TRUE(update->shownCommand.endsWith(" --force --no-auth-cache --depth infinity --accept postpone c:\\prod\\chk"));
    EXPECT_EQ(janela->barra.mid(0, 2), (QList<int>{0, 1000000}));

    bench->remote.answers["GetDirProd"] = Packet({"DSDIRBASEVER", "DSDIRVSS"}, {{"c:\\prod\\chk", bench->repo("outro/trunk")}});
    EXPECT_EQ(realiza(), workcopy::MsgF("Atu_canc_rep_erro", {"c:\\prod\\chk"}));
    bench->remote.answers["GetDirProd"] = Packet({"DSDIRBASEVER", "DSDIRVSS"}, {{"c:\\nada", repo}});
    EXPECT_EQ(realiza(), workcopy::MsgF("Atu_canc_cop_n_existe", {"c:\\nada"}));
    // Both before the check-out proper: nothing to undo.
    EXPECT_EQ(bench->remote.count("ClearArqCheckout"), 0);
    EXPECT_TRUE(bench->dirRenomeados.isEmpty());
}

namespace {

// One operator's way to the real application server.
struct Link {
    server::TNetConnection connection;
    server::ConnectionUses uses;
    server::NetRemoteServer remote{connection, uses};
    Link(const testsupport::ServerProcess &process, const QString &token)
    {
        connection.Host = process.host();
        connection.Port = process.port();
        connection.Token = token;
    }
};

const QString kItem = "0000000900", kRaceTask = "0000009000", kRaceRequest = "0000019000";

// One request, one work item of P502 under the test's repository, and one
// planned development activity on it for each of two operators.
QString SeedRace(const QString &database, const QString &repository)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "race");
    db.setDatabaseName(database);
    if (!db.open())
        return db.lastError().text();
    const QList<QPair<QString, QVariantList>> rows = {
        {"UPDATE produto_dir SET DSDIRBASEVER = ?, DSDIRVSS = ? WHERE CDPRODUTO = 'P502'", {"c:\\prod\\chk", repository}},
        {"INSERT INTO itemtrab (CDITEMTRAB, CDREDUITTRAB, NMITEMTRAB, CDTIPOITTRAB) VALUES (?, 'CADCLI', 'Cadastro', '03')",
         {kItem}},
        {"INSERT INTO itemtrab_dir (CDITEMTRAB, CDPRODUTO, NRSEQDIR, DSDIRARQFONTIT) VALUES (?, 'P502', 1, '\\Fontes\\Cad')",
         {kItem}},
        {"INSERT INTO solicitacao (NRSOLISERV, CDFILIAL, CDPRODGRUP) VALUES (?, '0001', 'P502')", {kRaceRequest}},
        {"INSERT INTO tarefa (CDFILIAL, NRTAREFA, NRSOLISERV) VALUES ('0001', ?, ?)", {kRaceTask, kRaceRequest}},
    };
    QString why;
    auto exec = [&](const QString &sql, const QVariantList &binds) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant &b : binds)
            q.addBindValue(b);
        if (!q.exec() && why.isEmpty())
            why = q.lastError().text() + " in " + sql;
    };
    for (const auto &row : rows)
        exec(row.first, row.second);
    for (const QString &activity : {"00001", "00002"}) {
        const QString op = activity == "00001" ? "000000000001" : "000000000002";
        exec("INSERT INTO planativtare (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDPROCESSO, CDITEMTRAB, CDOPERRESP)"
             " VALUES ('0001', ?, ?, '0000011045', ?, ?)",
             {kRaceTask, activity, kItem, op});
        exec("INSERT INTO itemtarefa (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDITEMTRAB) VALUES ('0001', ?, ?, ?)",
             {kRaceTask, activity, kItem});
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("race");
    return why;
}

}

// Two operators take the same work item at the same moment: the second one
// starts while the first one's lock runs, and both lock different files.
TEST_P(RealCheckout, OfTwoOperatorsRacingForAWorkItemOneGetsItAndTheOtherHoldsNothing)
{
    ASSERT_TRUE(AddOtherUser());
    testsupport::ServerProcess process;
    APR_REQUIRE_COMPONENT(process.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", process.why());
    const QString tokenB = process.tokenFor("000000000002");
    ASSERT_FALSE(tokenB.isEmpty());
    ASSERT_EQ(SeedRace(process.databasePath(), bench->repo("chk/trunk")), "");
    Link linkA(process, process.token()), linkB(process, tokenB);

    // Operator B works in a working copy of his own, as Subversion user svn_x.
    Bench benchB(GetParam());
    benchB.usuario = kOutro;
    benchB.senha = kSenhaOutro;
    benchB.svn({"checkout", bench->repo("chk/trunk"), benchB.host("c:\\prod\\chk")});
    QDir().mkpath(benchB.host("h:\\workdir\\x"));
    qputenv("APR_DRIVE_C", bench->paths.root('c').toLocal8Bit());

    QStringList a1, a2, a3, a4, a5, b1, b2, b3, b4, b5;
    vcs::SvnClient svnA(bench->usuario, bench->senha), svnB(benchB.usuario, benchB.senha);
    workflow::WorkflowContext fluxoA(bench->modulo, linkA.remote, svnA, {a1, a2, a3, a4, a5});
    fluxoA.setRunner(bench->runner.get());
    workflow::WorkflowContext fluxoB(benchB.modulo, linkB.remote, svnB, {b1, b2, b3, b4, b5});
    fluxoB.setRunner(benchB.runner.get());
    Janela A(*bench, &fluxoA), B(benchB, &fluxoB);
    A.repositorio = B.repositorio = bench->repo("chk/trunk");
    A.escolha = {dir + "uCadCli.pas"};
    B.escolha = {dir + "uCadCliB.pas"};
    B.operador = "000000000002";
    workflow::PedidoCheckout pedidoA{"P502", "0000011045", "0001", kRaceRequest, kRaceTask, "00001", kItem,
                                     A.repositorio, "c:\\prod\\chk"};
    workflow::PedidoCheckout pedidoB = pedidoA;
    pedidoB.atividade = "00002";

    QString mensagemB = "<not run>";
    bool started = false;
    bench->runner->runner().setCommandLog([&](const QString &shown) {
        if (started || !shown.startsWith("svn lock"))
            return;
        started = true;
        mensagemB = AbortOf([&] { B.novo()->Realiza_Checkout(pedidoB); });
    });
    const QString mensagemA = AbortOf([&] { A.novo()->Realiza_Checkout(pedidoA); });
    bench->runner->runner().setCommandLog({});
    fluxoA.setRunner(nullptr);
    fluxoB.setRunner(nullptr);

    EXPECT_EQ(mensagemB, "") << benchB.progresso.join('\n').toStdString();
    EXPECT_TRUE(mensagemA.startsWith(workcopy::Msg("Arq_Checkout_Usu"))) << mensagemA.toStdString();
    EXPECT_TRUE(mensagemA.contains("000000000002"));
    EXPECT_EQ(dono("uCadCli.pas"), "");          // A gave his lock back
    EXPECT_EQ(dono("uCadCliB.pas"), kOutro);
    const QJsonObject relacao = linkB.remote.call("GetVdRelacItTrabProd", {"P502", kItem}).toObject();
    EXPECT_EQ(relacao["rows"].toArray().at(0).toArray().at(3).toString(), "000000000002");
    const QJsonObject arquivosA = linkA.remote.call("GetArqCheck", {"0001", kRaceTask, "00001"}).toObject();
    EXPECT_TRUE(arquivosA["rows"].toArray().isEmpty());
    bench->svn({"unlock", "--force", bench->repo("chk/trunk/Fontes/Cad/uCadCliB.pas")});
}

namespace {

QStringList Column(const QJsonObject &packet, const QString &name)
{
    int at = -1;
    const QJsonArray fields = packet["fields"].toArray();
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].toObject()["name"].toString() == name)
            at = i;
    QStringList values;
    for (const QJsonValue &row : packet["rows"].toArray())
        values << row.toArray().at(at).toVariant().toString();
    return values;
}

}

TEST_P(RealCheckout, TheApplicationServerHoldsTheFilesAndReleasesOrNothingAfterAFailure)
{
    ASSERT_TRUE(AddOtherUser());
    testsupport::ServerProcess process;
    APR_REQUIRE_COMPONENT(process.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", process.why());
    ASSERT_EQ(SeedRace(process.databasePath(), bench->repo("chk/trunk")), "");
    Link link(process, process.token());
    QStringList l1, l2, l3, l4, l5;
    vcs::SvnClient svn(bench->usuario, bench->senha);
    workflow::WorkflowContext fluxo(bench->modulo, link.remote, svn, {l1, l2, l3, l4, l5});
    fluxo.setRunner(bench->runner.get());
    Janela A(*bench, &fluxo);
    A.repositorio = bench->repo("chk/trunk");
    // The selection registers each chosen file on the server, as the dialog does.
    A.hooks.selecao = [&](workflow::WorkflowContext &f, workflow::PlataformaProduto, const workflow::SelecaoCheckout &v,
                          bool &ok) {
        for (int i = 0; i < arquivos.size(); ++i)
            link.remote.call("SetArqCheckout", {v.filial, v.tarefa, v.plano, QString::number(i), arquivos[i]});
        f.listas().arqCheckout = arquivos;
        ok = true;
    };
    const workflow::PedidoCheckout pedido{"P502", "0000011045", "0001", kRaceRequest, kRaceTask, "00001", kItem,
                                          A.repositorio, "c:\\prod\\chk"};
    ASSERT_EQ(AbortOf([&] { A.novo()->Realiza_Checkout(pedido); }), "") << bench->progresso.join('\n').toStdString();
    const QJsonObject registrados = link.remote.call("GetArqCheck", {"0001", kRaceTask, "00001"}).toObject();
    EXPECT_EQ(Column(registrados, "ARQUIVO"), arquivos);
    const QString revisao =
        bench->svn({"info", "--show-item", "last-changed-revision", bench->host(dir + "uCadCli.pas")}).trimmed();
    EXPECT_EQ(Column(registrados, "CDRELEASEARQANT"), (QStringList{revisao, revisao, revisao}));
    for (const QString &nome : {"uCadCli.pas", "uCadCli.dfm", "uCadCliB.pas"})
        EXPECT_EQ(dono(nome), wctest::kUser);

    // Again, with one file now another user's: the server's list ends empty.
    bench->svn({"unlock", bench->host(dir + "uCadCli.pas"), bench->host(dir + "uCadCli.dfm"), bench->host(dir + "uCadCliB.pas")});
    ASSERT_TRUE(lockAs(kOutro, kSenhaOutro, "uCadCliB.pas").contains(kOutro));
    link.remote.call("ClearArqCheckout", {"0001", kRaceTask, "00001"});
    {   // The work item given back, as a check-in would.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "devolve");
        db.setDatabaseName(process.databasePath());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("UPDATE itemtrab_prod SET IDSITCHECKOUT = 'N' WHERE CDITEMTRAB = '" + kItem + "'");
        db.close();
    }
    QSqlDatabase::removeDatabase("devolve");
    EXPECT_EQ(AbortOf([&] { A.novo()->Realiza_Checkout(pedido); }), workcopy::Msg("ERRO_TRAVA"));
    EXPECT_TRUE(link.remote.call("GetArqCheck", {"0001", kRaceTask, "00001"}).toObject()["rows"].toArray().isEmpty());
    EXPECT_EQ(dono("uCadCli.pas"), "");
    EXPECT_EQ(dono("uCadCli.dfm"), "");
    fluxo.setRunner(nullptr);
}
