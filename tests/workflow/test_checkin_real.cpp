// The check-in against the real client, Apache + mod_dav_svn and the real
// apr-server: what reaches the repository and with which message, the locks
// it gives back, the releases it records, and what a failure leaves behind.
#include "checkoutsupport.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "serverprocess.h"
#include "vcs/commandline.h"
#include "workflow/checkin.h"
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

using namespace chktest;
using wctest::DavServer;

namespace {

// The seed's running development activity of P401 and its work item.
const QString kFilial = "0001", kTarefa = "0000005001", kAtividade = "00001", kSolicitacao = "0000012001",
              kItem = "0000000101";

QString Entre(const QString &text, const QString &from, const QString &to)
{
    const qsizetype a = text.indexOf(from);
    if (a < 0)
        return {};
    const qsizetype b = text.indexOf(to, a + from.size());
    return b < 0 ? QString() : text.mid(a + from.size(), b - a - from.size());
}

class RealCheckin : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        APR_REQUIRE_COMPONENT(process.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", process.why());
        connection.Host = process.host();
        connection.Port = process.port();
        connection.Token = process.token();
        bench = std::make_unique<Bench>(GetParam());
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("cin/trunk/Fontes/Cad")});
        bench->svn({"checkout", bench->repo("cin/trunk"), bench->host("c:\\prod\\cin")});
        for (const QString &nome : kNomes)
            bench->write(dir + nome, "original " + nome.toUtf8() + "\n");
        bench->svn({"add", bench->host(dir + kNomes[0]), bench->host(dir + kNomes[1]), bench->host(dir + kNomes[2])});
        bench->svn({"commit", "-m", "SOL:1 cad", bench->host("c:\\prod\\cin")});
        // What the check-out left: the files locked by the working copy and
        // registered on the server, and their backup.
        for (int i = 0; i < kNomes.size(); ++i) {
            bench->svn({"lock", bench->host(dir + kNomes[i])});
            remote.call("SetArqCheckout", {kFilial, kTarefa, kAtividade, QString::number(i), dir + kNomes[i]});
            bench->write(backup + kNomes[i], "original\n");
        }
        janela = std::make_unique<Janela>(*bench, &fluxo);
        fluxo.setRunner(bench->runner.get());
        hooks.filial = [] { return kFilial; };
        hooks.operador = [] { return QStringLiteral("000000000001"); };
        hooks.mostraAnimacao = [this](const QString &t) { animacoes << t; };
        hooks.fechaAnimacao = [this] { animacoes << "<fim>"; };
        hooks.raizBackup = [] { return QStringLiteral("h:\\workdir\\"); };
        hooks.arvoreProduto = [] { return QStringLiteral("03.00.01"); };   // the seed's tree with metadata releases
        hooks.selecao = [this](workflow::WorkflowContext &f, workflow::PlataformaProduto, const workflow::SelecaoCheckin &v,
                               bool &ok) {
            selecoes.push_back(v);
            f.listas().arqCheckin = escolha;
            f.listas().dirAdiciona = adiciona;
            f.listas().dirReverte = reverte;
            ok = confirma;
        };
    }
    void TearDown() override
    {
        fluxo.setRunner(nullptr);
    }
    QString realiza()
    {
        workflow::Checkin checkin(fluxo, janela->ctx, boConfirmaCheckin, hooks);
        const QString motivo = AbortOf([&] { checkin.Realiza_Checkin(pedido()); });
        pendentes = checkin.pendentes();
        return motivo;
    }
    workflow::PedidoCheckin pedido() const
    {
        return {"P401", "0000011045", kFilial, kSolicitacao, kTarefa, kAtividade, kItem, bench->repo("cin/trunk"),
                "\\prod\\cin"};
    }
    QString dono(const QString &rel) const
    {
        return Entre(Entre(bench->svn({"info", "--xml", bench->repo("cin/trunk/" + rel)}), "<lock>", "</lock>"),
                     "<owner>", "</owner>");
    }
    QStringList mensagens(const QString &rel) const
    {
        QStringList out;
        const QString log = bench->svn({"log", "--xml", bench->repo("cin/trunk/" + rel)});
        static const QRegularExpression msg("<msg>([^<]*)</msg>");
        for (auto it = msg.globalMatch(log); it.hasNext();)
            out << it.next().captured(1);
        return out;
    }
    QString revisao(const QString &logical) const
    {
        return bench->svn({"info", "--show-item", "last-changed-revision", bench->host(logical)}).trimmed();
    }
    QString jovem() const
    {
        return bench->svn({"info", "--show-item", "revision", bench->repo("cin/trunk")}).trimmed();
    }
    QStringList coluna(const QString &nome)
    {
        const QJsonObject packet = remote.call("GetArqCheck", {kFilial, kTarefa, kAtividade}).toObject();
        int at = -1;
        const QJsonArray fields = packet["fields"].toArray();
        for (int i = 0; i < fields.size(); ++i)
            if (fields[i].toObject()["name"].toString() == nome)
                at = i;
        QStringList values;
        for (const QJsonValue &row : packet["rows"].toArray())
            values << row.toArray().at(at).toVariant().toString();
        return values;
    }
    QStringList comandos(const QString &inicio) const
    {
        QStringList out;
        for (const vcs::CommandResult &r : bench->runner->runner().results())
            if (r.shownCommand.startsWith(inicio))
                out << r.shownCommand;
        return out;
    }
    bool comBackup() const { return QFileInfo::exists(bench->host(backup + kNomes[0])); }
    QString lockAs(const QString &user, const QString &pass, const QString &rel) const
    {
        QProcess svn;
        svn.setProcessEnvironment(bench->environment);
        svn.setProcessChannelMode(QProcess::MergedChannels);
        svn.start("svn", {"lock", "--force", "--non-interactive", "--no-auth-cache", "--username", user,
                          "--password-from-stdin", "-m", "outro", bench->repo("cin/trunk/" + rel)});
        svn.waitForStarted();
        svn.write((pass + "\n").toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll());
    }
    // A pre-commit hook that refuses every commit touching a path holding `trecho`.
    void recusaCommit(const QString &trecho)
    {
        hook = DavServer::instance().base.path() + "/dav/repo/hooks/pre-commit";
        QFile f(hook);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\nif svnlook changed -t \"$2\" \"$1\" | grep -qi '" + trecho + "'; then echo recusado >&2; exit 1; fi\n"
                 "exit 0\n").toUtf8());
        f.close();
        QFile::setPermissions(hook, QFile::permissions(hook) | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther
                                        | QFile::ReadGroup | QFile::ReadOther);
    }

    const QStringList kNomes = {"uCadCli.pas", "uCadCliB.pas", "Relatório de vendas.pas"};
    const QString dir = "c:\\prod\\cin\\Fontes\\Cad\\";
    const QString backup = "h:\\workdir\\w\\" + kSolicitacao + "\\" + kTarefa + "\\" + kAtividade + "\\";
    testsupport::ServerProcess process;
    server::TNetConnection connection;
    server::ConnectionUses uses;
    server::NetRemoteServer remote{connection, uses};
    std::unique_ptr<Bench> bench;
    QStringList l1, l2, l3, l4, l5;
    apr::ModuleState modulo;
    vcs::SvnClient svnCliente{wctest::kUser, wctest::kPass};
    workflow::WorkflowContext fluxo{modulo, remote, svnCliente, {l1, l2, l3, l4, l5}};
    std::unique_ptr<Janela> janela;
    workflow::CheckinHooks hooks;
    bool boConfirmaCheckin = false;
    QStringList escolha, adiciona, reverte;
    bool confirma = true;
    std::vector<workflow::SelecaoCheckin> selecoes;
    QStringList animacoes, pendentes;
    QString hook;
};

}

// Two changed files (one with blanks and an accent in its name), one only
// locked, a new file in a new directory two levels deep: everything goes in
// with the request, each new level by its own commit, and no lock is left.
TEST_P(RealCheckin, ConfirmedCheckinCommitsTheChosenFilesAndNewDirectoriesAndGivesEveryLockBack)
{
    bench->write(dir + kNomes[0], "changed 0\n");
    bench->write(dir + kNomes[2], "changed 2\n");
    bench->write("c:\\prod\\cin\\Fontes\\Novo\\Sub\\uNovo.pas", "unit uNovo;\n");
    const QString novo = "c:\\prod\\cin\\Fontes\\Novo\\Sub\\uNovo.pas";
    remote.call("SetArqCheckout", {kFilial, kTarefa, kAtividade, "3", novo});   // as the selection does
    escolha = {dir + kNomes[0], dir + kNomes[1], dir + kNomes[2], novo};
    adiciona = {"c:\\prod\\cin\\Fontes\\Novo", "c:\\prod\\cin\\Fontes\\Novo\\Sub"};
    const QString antes = jovem();
    bench->dialogs->answer(0);   // CONFIRMAR ATIVIDADE
    ASSERT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();

    EXPECT_TRUE(boConfirmaCheckin);
    EXPECT_EQ(mensagens("Fontes/Cad/uCadCli.pas").value(0), "SOL:" + kSolicitacao);
    EXPECT_EQ(mensagens("Fontes/Cad/Relatório de vendas.pas").value(0), "SOL:" + kSolicitacao);
    EXPECT_EQ(mensagens("Fontes/Cad/uCadCliB.pas").size(), 1) << "unchanged: only unlocked";
    // On the Delphi platform a new directory goes in with its lower-case name.
    EXPECT_EQ(mensagens("Fontes/novo/sub/uNovo.pas").value(0), "SOL:" + kSolicitacao);
    // Novo, Novo/Sub, uCadCli, Relatório and uNovo: five commits.
    EXPECT_EQ(jovem().toInt(), antes.toInt() + 5);
    EXPECT_EQ(bench->svn({"log", "-q", bench->repo("cin/trunk/Fontes/novo"), "-r", QString::number(antes.toInt() + 1)})
                  .count("r" + QString::number(antes.toInt() + 1)), 1);
    for (const QString &rel : {"Fontes/Cad/uCadCli.pas", "Fontes/Cad/uCadCliB.pas", "Fontes/Cad/Relatório de vendas.pas"})
        EXPECT_EQ(dono(rel), "") << rel.toStdString();
    EXPECT_EQ(bench->svn({"status", bench->host("c:\\prod\\cin")}).trimmed(), "");
    // The releases the commits created, recorded per file on the server.
    EXPECT_EQ(coluna("CDRELEASEARQATU"), (QStringList{revisao(dir + kNomes[0]), revisao(dir + kNomes[1]),
                                                      revisao(dir + kNomes[2]), revisao(novo)}));
    EXPECT_FALSE(comBackup());
    EXPECT_FALSE(QFileInfo::exists(bench->host("h:\\workdir\\w\\" + kSolicitacao)));
    // Every path lower-cased and whole, the password never shown.
    const QStringList commits = comandos("svn commit");
    ASSERT_EQ(commits.size(), 5);
    EXPECT_TRUE(commits[0].startsWith("svn commit --no-auth-cache -mSOL:" + kSolicitacao + " --username svn_w --password "));
    EXPECT_TRUE(commits[0].endsWith(" c:\\prod\\cin\\fontes\\novo"));
    EXPECT_TRUE(commits[3].endsWith(" \"c:\\prod\\cin\\fontes\\cad\\relatório de vendas.pas\"")) << commits[3].toStdString();
    EXPECT_EQ(comandos("svn add --depth empty").size(), 2);
    EXPECT_EQ(comandos("svn unlock").size(), 1);
    EXPECT_FALSE(bench->progresso.join('\n').contains(wctest::kPass));
    // Six items: the bar moves by a sixth each, from 0.
    EXPECT_EQ(janela->barra.mid(janela->barra.size() - 6),
              (QList<int>{166667, 333334, 500001, 666668, 833335, 1000002}));
    EXPECT_EQ(selecoes.at(0).diretorioBase, "c:\\prod\\cin\\");
    EXPECT_EQ(selecoes.at(0).tipoItem, "01");
    EXPECT_FALSE(modulo.boOperaSubversion);
}

TEST_P(RealCheckin, OnlyUnlockGivesTheLocksBackAndCommitsNothing)
{
    bench->write(dir + kNomes[0], "changed, not to be sent\n");
    const QString antes = jovem();
    bench->dialogs->answer(1);   // APENAS DESBLOQUEAR
    ASSERT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();
    EXPECT_TRUE(boConfirmaCheckin);
    EXPECT_TRUE(selecoes.empty());
    EXPECT_EQ(jovem(), antes);
    for (const QString &nome : kNomes)
        EXPECT_EQ(dono("Fontes/Cad/" + nome), "") << nome.toStdString();
    EXPECT_EQ(wctest::ReadAll(bench->host(dir + kNomes[0])), "changed, not to be sent\n");
    EXPECT_EQ(comandos("svn commit").size(), 0);
    EXPECT_EQ(comandos("svn unlock").size(), 3);
    EXPECT_TRUE(animacoes.contains(workcopy::Msg("DESBLOQUEANDO_SUBVERSION")));
    EXPECT_FALSE(comBackup());

    // Again: nothing is locked any more and nothing fails.
    bench->dialogs->answer(1);
    EXPECT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();
    EXPECT_EQ(comandos("svn unlock").size(), 3);
}

// Another user takes a lock of the activity over with --force from his own
// copy: both ways of concluding stop before anything is sent or unlocked.
TEST_P(RealCheckin, ALockTakenOverElsewhereIsFoundBeforeAnythingIsCommitted)
{
    ASSERT_TRUE(AddOtherUser());
    ASSERT_TRUE(lockAs(kOutro, kSenhaOutro, "Fontes/Cad/uCadCliB.pas").contains(kOutro));
    bench->write(dir + kNomes[0], "changed 0\n");
    escolha = {dir + kNomes[0], dir + kNomes[1]};
    const QString antes = jovem();
    const QString esperado = workcopy::MsgF("ERRO_LOCK_WORKCOPY", {dir + kNomes[1], kOutro});
    for (const int botao : {0, 1}) {
        bench->dialogs->answer(botao);
        EXPECT_EQ(realiza(), esperado) << botao;
        EXPECT_EQ(jovem(), antes);
        EXPECT_EQ(dono("Fontes/Cad/uCadCli.pas"), wctest::kUser);
        EXPECT_EQ(dono("Fontes/Cad/uCadCliB.pas"), kOutro);
        EXPECT_TRUE(comBackup());
        EXPECT_FALSE(modulo.boOperaSubversion);
    }
    EXPECT_EQ(comandos("svn commit").size() + comandos("svn unlock").size(), 0);
    bench->svn({"unlock", "--force", bench->repo("cin/trunk/Fontes/Cad/uCadCliB.pas")});
}

// The repository refuses the second file: the first is in, the rest stay
// locked, the operator is told which is which and the backup stays; the
// next check-in of the activity sends only what is outstanding.
TEST_P(RealCheckin, ARefusedCommitIsReportedAndTheNextCheckinSendsOnlyWhatIsOutstanding)
{
    for (const QString &nome : kNomes)
        bench->write(dir + nome, "changed " + nome.toUtf8() + "\n");
    escolha = {dir + kNomes[0], dir + kNomes[1], dir + kNomes[2]};
    recusaCommit("ucadclib");
    bench->dialogs->answer(0);
    const QString motivo = realiza();
    QFile::remove(hook);
    EXPECT_EQ(motivo, workcopy::Msg("FALHA_COMMIT")) << bench->progresso.join('\n').toStdString();
    EXPECT_EQ(mensagens("Fontes/Cad/uCadCli.pas").size(), 2);
    EXPECT_EQ(dono("Fontes/Cad/uCadCli.pas"), "");
    EXPECT_EQ(dono("Fontes/Cad/uCadCliB.pas"), wctest::kUser);
    EXPECT_EQ(dono("Fontes/Cad/Relatório de vendas.pas"), wctest::kUser);
    EXPECT_EQ(pendentes, (QStringList{dir + kNomes[1], dir + kNomes[2]}));
    const QString vista = bench->progresso.join('\n');
    const QString textos = workflow::CheckinTexts().Msg("ENVIADOS") + "\n" + dir + kNomes[0] + "\n"
                           + workflow::CheckinTexts().Msg("PENDENTES") + "\n" + dir + kNomes[1] + "\n" + dir + kNomes[2];
    EXPECT_TRUE(vista.contains(textos)) << vista.toStdString();
    EXPECT_TRUE(comBackup());
    EXPECT_FALSE(modulo.boOperaSubversion);

    bench->dialogs->answer(0);
    ASSERT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();
    EXPECT_EQ(mensagens("Fontes/Cad/uCadCli.pas").size(), 2) << "not committed twice";
    EXPECT_EQ(mensagens("Fontes/Cad/uCadCliB.pas").value(0), "SOL:" + kSolicitacao);
    EXPECT_EQ(mensagens("Fontes/Cad/Relatório de vendas.pas").value(0), "SOL:" + kSolicitacao);
    for (const QString &nome : kNomes)
        EXPECT_EQ(dono("Fontes/Cad/" + nome), "") << nome.toStdString();
    EXPECT_EQ(wctest::ReadAll(bench->host(dir + kNomes[2])), "changed " + kNomes[2] + "\n");
    EXPECT_FALSE(comBackup());
}

// On the Lumetra products' platform the check-in confirms without asking and
// the message carries the metadata release the server gave for this work.
TEST_P(RealCheckin, OnTheLumetraPlatformTheMessageCarriesTheMetadataRelease)
{
    fluxo.setPlataforma(workflow::PlataformaProduto::ProdutoLumetra);
    bench->write(dir + kNomes[0], "changed 0\n");
    escolha = {dir + kNomes[0]};
    ASSERT_EQ(realiza(), "") << bench->progresso.join('\n').toStdString();
    EXPECT_TRUE(bench->dialogs->texts().isEmpty()) << "no question";
    const QString release = modulo.stReleaseMetaDados;
    ASSERT_EQ(release, "42");   // the seed's 41, and one more for this check-in
    EXPECT_EQ(mensagens("Fontes/Cad/uCadCli.pas").value(0),
              "SOL:" + kSolicitacao + " - Release metadados: " + QString::number(release.toLongLong()));
    // The one text the message comes from splits, as Windows splits it, into that same argument.
    const QStringList partes = vcs::CommandLine::split("svn commit --no-auth-cache -m\"SOL:" + kSolicitacao
                                                       + " - Release metadados: " + release + "\" --username u x");
    EXPECT_EQ(partes.value(3), workflow::MensagemCommit(workflow::PlataformaProduto::ProdutoLumetra, kSolicitacao, release));
}

// The scripts chosen for the patch: a new one is added, each is committed
// with the request, and the release before the work of new files is cleared.
TEST_P(RealCheckin, AScriptProcessCommitsTheChosenScripts)
{
    qor::RecordSet sql;
    sql.setData(wctest::Packet({"NMFILE"}, {{"\\Prod\\Cin\\SQL\\X.sql"}}));
    hooks.arquivosSql = &sql;
    bench->svn({"mkdir", "-m", "SOL:1 sql", bench->repo("cin/trunk/SQL")});
    bench->svn({"update", bench->host("c:\\prod\\cin")});
    bench->write("c:\\prod\\cin\\SQL\\x.sql", "select 1;\n");
    workflow::PedidoCheckin p = pedido();
    p.processo = "0000011270";
    bench->dialogs->answer(0);
    workflow::Checkin checkin(fluxo, janela->ctx, boConfirmaCheckin, hooks);
    ASSERT_EQ(AbortOf([&] { checkin.Realiza_Checkin(p); }), "") << bench->progresso.join('\n').toStdString();
    EXPECT_TRUE(boConfirmaCheckin);
    EXPECT_EQ(mensagens("SQL/x.sql").value(0), "SOL:" + kSolicitacao);
    EXPECT_TRUE(comandos("svn add")[0].endsWith(" c:\\prod\\cin\\sql\\x.sql"));
    EXPECT_TRUE(comandos("svn commit")[0].endsWith(" c:\\prod\\cin\\sql\\x.sql"));
    EXPECT_TRUE(coluna("ARQUIVO").contains("c:\\Prod\\Cin\\SQL\\X.sql", Qt::CaseInsensitive));
    EXPECT_FALSE(sql.active() && !sql.isEmpty());
    EXPECT_FALSE(comBackup());
}

INSTANTIATE_TEST_SUITE_P(Languages, RealCheckin, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });
