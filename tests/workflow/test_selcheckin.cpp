// The check-in selection against the real client, Apache + mod_dav_svn and
// the real apr-server, in both languages of the client: what the work item
// offers, the status the dialog starts from, the grid's rules, the files
// added on their own, and what a confirmation hands to the check-in.
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "serverprocess.h"
#include "support.h"
#include "workflow/buscacheckin.h"
#include "workflow/frmselcheckin.h"
#include "workflow/selcheckin.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QUrl>

using namespace wctest;
using workflow::BuscaCheckin;
using workflow::PlataformaProduto;
using workflow::SelecaoCheckin;
using workflow::TfrmSelCheckin;

namespace {

const QString kTask = "0000007001", kActivity = "00001", kItem = "0000000700";
const QString kBase = "c:\\prod\\ci\\";
const QString kCad = kBase + "fontes\\cad\\";
const QString kOutro = "svn_x", kSenhaOutro = "Pw55-outro";

// A second repository user, for a lock taken over from another working copy.
bool AddOtherUser()
{
    static const bool added = [] {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(DAVSERVER, {"start", DavServer::instance().base.path() + "/dav",
                               QString::number(QUrl(DavServer::instance().url).port()), "-"});
        tool.write((kUser + ":" + kPass + "\n" + kOutro + ":" + kSenhaOutro + "\n").toUtf8());
        tool.closeWriteChannel();
        tool.waitForFinished(60000);
        return tool.exitCode() == 0;
    }();
    return added;
}

// The work item's directories and the operator's activity on it.
QString Seed(const QString &database, const QStringList &diretorios)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "selcheckin");
    db.setDatabaseName(database);
    if (!db.open())
        return db.lastError().text();
    QString why;
    auto exec = [&](const QString &sql, const QVariantList &binds) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant &b : binds)
            q.addBindValue(b);
        if (!q.exec() && why.isEmpty())
            why = q.lastError().text() + " in " + sql;
    };
    exec("INSERT INTO itemtrab (CDITEMTRAB, CDREDUITTRAB, NMITEMTRAB, CDTIPOITTRAB) VALUES (?, 'CAD', 'Cadastro', '03')",
         {kItem});
    for (int i = 0; i < diretorios.size(); ++i)
        exec("INSERT INTO itemtrab_dir (CDITEMTRAB, CDPRODUTO, NRSEQDIR, DSDIRARQFONTIT) VALUES (?, 'P502', ?, ?)",
             {kItem, i + 1, diretorios[i]});
    exec("INSERT INTO solicitacao (NRSOLISERV, CDFILIAL, CDPRODGRUP) VALUES ('0000017001', '0001', 'P502')", {});
    exec("INSERT INTO tarefa (CDFILIAL, NRTAREFA, NRSOLISERV) VALUES ('0001', ?, '0000017001')", {kTask});
    exec("INSERT INTO planativtare (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDPROCESSO, CDITEMTRAB, CDOPERRESP)"
         " VALUES ('0001', ?, ?, '0000011045', ?, '000000000001')",
         {kTask, kActivity, kItem});
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("selcheckin");
    return why;
}

QStringList Column(const QJsonValue &packet, const QString &name)
{
    int at = -1;
    const QJsonArray fields = packet.toObject()["fields"].toArray();
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].toObject()["name"].toString() == name)
            at = i;
    QStringList values;
    for (const QJsonValue &row : packet.toObject()["rows"].toArray())
        values << row.toArray().at(at).toVariant().toString();
    return values;
}

QString AbortOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const qor::EAbort &abort) {
        return abort.isSilent() ? QStringLiteral("<silent>") : abort.message();
    }
    return {};
}

QStringList Itens(const QListWidget *lista)
{
    QStringList itens;
    for (int i = 0; i < lista->count(); ++i)
        itens << lista->item(i)->text();
    return itens;
}

// A working copy at c:\prod\ci of a product on the Delphi platform, its
// changes, and the activity's checked-out files on the real server.
class RealSelCheckin : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        APR_REQUIRE_COMPONENT(process.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", process.why());
        ASSERT_EQ(Seed(process.databasePath(), {"\\Fontes\\Cad", "Fontes\\...\\"}), "");
        connection.Host = process.host();
        connection.Port = process.port();
        connection.Token = process.token();
        bench = std::make_unique<Bench>(GetParam());
        // The set-up's own client handles the accented names as the module's runner does.
        bench->environment.remove("LC_ALL");
        bench->environment.insert("LC_MESSAGES", GetParam());
        bench->environment.insert("LC_CTYPE", "C.UTF-8");
        fluxo = std::make_unique<workflow::WorkflowContext>(
            bench->modulo, remote, bench->svnClient,
            workflow::FileLists{bench->arqCheckout, bench->arqCheckin, bench->dirReverte, bench->dirAdiciona,
                                bench->dirRenomeados});
        fluxo->setRunner(bench->runner.get());
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("ci/trunk")});
        bench->svn({"checkout", bench->repo("ci/trunk"), bench->host("c:\\prod\\ci")});
        for (const char *f : {"Fontes\\Cad\\uCad.pas", "Fontes\\Cad\\uCad.dfm",
                              "Fontes\\Cad\\my.form.dfm", "Fontes\\Cad\\Makefile", "Fontes\\Cad\\tela.php", "Fontes\\Cad\\Relatório de vendas.pas",
                              "Fontes\\Rel\\Cad\\r.pas", "Fontes\\Rel\\uRel.pas", "Fontes\\Deep\\a\\b\\d.pas"})
            bench->write(kBase + f, "original\n");
        bench->svn({"add", "--force", bench->host(kBase + "Fontes")});
        bench->svn({"commit", "-m", "SOL:1 fontes", bench->host("c:\\prod\\ci")});
        for (const char *f : {"uCad.pas", "tela.php"})
            bench->write(kCad + f, "changed\n");
        for (const char *f : {"novo.pas", "nova.js", "x.bak"})
            bench->write(kCad + f, "new\n");
        for (const QString &f : {kCad + "ucad.pas", kCad + "relatório de vendas.pas"})
            remote.call("SetArqCheckout", {"0001", kTask, kActivity, QString::number(checkout.size()), f}),
                checkout << f;
    }
    void TearDown() override
    {
        if (fluxo)
            fluxo->setRunner(nullptr);
    }
    SelecaoCheckin valores(const QString &tipo = "03") const
    {
        return {"P502", "\\prod\\ci", kItem, tipo, "0001", kTask, kActivity};
    }
    QString revision(const QString &logical) const
    {
        return bench->svn({"info", "--show-item", "last-changed-revision", bench->host(logical)}).trimmed();
    }
    QString lockAs(const QString &user, const QString &pass, const QString &wc, const QString &file) const
    {
        QProcess svn;
        svn.setProcessEnvironment(bench->environment);
        svn.setProcessChannelMode(QProcess::MergedChannels);
        svn.start("svn", {"lock", "--force", "--non-interactive", "--no-auth-cache", "--username", user,
                          "--password-from-stdin", "-m", "outro", bench->host(wc + file)});
        svn.waitForStarted();
        svn.write((pass + "\n").toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll());
    }

    testsupport::ServerProcess process;
    server::TNetConnection connection;
    server::ConnectionUses uses;
    server::NetRemoteServer remote{connection, uses};
    std::unique_ptr<Bench> bench;
    std::unique_ptr<workflow::WorkflowContext> fluxo;
    QStringList checkout;
};

}

TEST_P(RealSelCheckin, WildcardsAndPatternsChooseTheOfferedFiles)
{
    BuscaCheckin busca(*fluxo, PlataformaProduto::Delphi, valores());
    busca.Prepara();
    EXPECT_EQ(busca.base(), "c:\\prod\\ci\\");
    // Every depth; x.bak, Makefile and the client's .svn never appear; a
    // file with two dots is offered through its last four characters.
    const QStringList todos = busca.Procura(kBase + "Fontes\\...\\");
    EXPECT_EQ(todos, (QStringList{kBase + "fontes\\cad\\my.form.dfm", kCad + "novo.pas", kCad + "relatório de vendas.pas",
                                  kCad + "ucad.dfm", kCad + "ucad.pas", kBase + "fontes\\deep\\a\\b\\d.pas",
                                  kBase + "fontes\\rel\\cad\\r.pas", kBase + "fontes\\rel\\urel.pas"}));
    EXPECT_TRUE(busca.Procura(kBase + "...\\").filter(".svn").isEmpty());
    // Cad in each direct subdirectory of Fontes: only Rel has one.
    EXPECT_EQ(busca.Procura(kBase + "Fontes\\*\\Cad"), QStringList{kBase + "fontes\\rel\\cad\\r.pas"});
    EXPECT_EQ(busca.Procura(kBase + "Fontes\\*ca*\\"), (QStringList{kBase + "fontes\\cad\\my.form.dfm", kCad + "novo.pas",
                                                                      kCad + "relatório de vendas.pas", kCad + "ucad.dfm",
                                                                      kCad + "ucad.pas"}));
    EXPECT_EQ(AbortOf([&] { busca.Procura(kBase + "Nada\\*\\"); }), "O diretório não existe: c:\\prod\\ci\\Nada\\*\\.");
    EXPECT_TRUE(BuscaCheckin::Retem("x.pas", busca.extensao()));
    EXPECT_FALSE(BuscaCheckin::Retem("x.bak", busca.extensao()));
    EXPECT_TRUE(BuscaCheckin::Retem("my.form.dfm", busca.extensao()));
    EXPECT_FALSE(BuscaCheckin::Retem("Makefile", busca.extensao()));
}

TEST_P(RealSelCheckin, TheStatusShownDependsOnTheWorkItemType)
{
    BuscaCheckin diretorios(*fluxo, PlataformaProduto::Delphi, valores("03"));
    diretorios.Prepara();
    const QStringList doItem = diretorios.StatusInicial();
    EXPECT_EQ(doItem.filter(QRegularExpression("^M .*ucad\\.pas$", QRegularExpression::CaseInsensitiveOption)).size(), 1)
        << doItem.join('\n').toStdString();
    EXPECT_EQ(doItem.filter(QRegularExpression("^\\? .*novo\\.pas$")).size(), 1);
    EXPECT_EQ(doItem.filter("x.bak").size(), 1) << "the listing is the client's, whatever the patterns";
    // Cad, Deep\a\b and Rel: Rel\Cad lies under Rel, whose listing covers it.
    int listagens = 0;
    for (const vcs::CommandResult &r : diretorios.runner().results())
        listagens += r.shownCommand.startsWith("svn status");
    EXPECT_EQ(listagens, 3);

    for (const char *tipo : {"01", "14"}) {
        BuscaCheckin arquivos(*fluxo, PlataformaProduto::Delphi, valores(tipo));
        arquivos.Prepara();
        const QStringList linhas = arquivos.StatusInicial();
        EXPECT_EQ(linhas.size(), 1) << linhas.join('\n').toStdString();
        EXPECT_TRUE(linhas.value(0).toLower().endsWith("ucad.pas"));
        QStringList comandos;
        for (const vcs::CommandResult &r : arquivos.runner().results())
            comandos << r.shownCommand;
        EXPECT_EQ(comandos.size(), 2) << comandos.join('\n').toStdString();
        EXPECT_TRUE(comandos.value(1).contains(kCad + "relatório de vendas.pas")) << comandos.join('\n').toStdString();
        EXPECT_FALSE(comandos.join('\n').contains(kPass));
    }
}

TEST_P(RealSelCheckin, CheckedOutFilesNeverLeaveTheGrid)
{
    bool confirma = true;
    TfrmSelCheckin dialog(*fluxo, PlataformaProduto::Delphi, valores(), confirma);
    dialog.Prepara();
    dialog.show();
    EXPECT_EQ(dialog.escolhidos(), checkout);
    EXPECT_TRUE(dialog.adicionadosDepois().isEmpty()) << "only on the form-framework products";

    dialog.btnSelDir->click();
    ASSERT_EQ(dialog.pmnDirItemtrab->actions().size(), 2);
    EXPECT_EQ(dialog.pmnDirItemtrab->actions().at(0)->text(), "c:\\prod\\ci\\Fontes\\Cad\\");
    dialog.pmnDirItemtrab->actions().at(0)->trigger();
    EXPECT_EQ(Itens(dialog.lsbArquivos), (QStringList{kCad + "my.form.dfm", kCad + "novo.pas",
                                                      kCad + "relatório de vendas.pas", kCad + "ucad.dfm",
                                                      kCad + "ucad.pas"}));
    dialog.edtFiltro->setText("%NOVO");
    EXPECT_EQ(Itens(dialog.lsbArquivos), QStringList{kCad + "novo.pas"});
    dialog.edtFiltro->setText("c:\\outro");
    EXPECT_EQ(bench->dialogs->texts().last(), "Nenhum arquivo foi listado para ser selecionado.");
    dialog.edtFiltro->clear();

    emit dialog.lsbArquivos->itemDoubleClicked(dialog.lsbArquivos->item(1));
    emit dialog.lsbArquivos->itemDoubleClicked(dialog.lsbArquivos->item(1));
    EXPECT_EQ(bench->dialogs->texts().last(), "Arquivo informado já foi cadastrado.");
    EXPECT_EQ(dialog.escolhidos(), checkout + QStringList{kCad + "novo.pas"});

    // A checked-out row is refused, the new one goes.
    dialog.cdsArquivo.first();
    EXPECT_EQ(AbortOf([&] { dialog.dbgArquivosDblClick(); }),
              "O arquivo não pode ser retirado pois foi marcado para checkout.");
    dialog.cdsArquivo.last();
    EXPECT_EQ(AbortOf([&] { dialog.dbgArquivosDblClick(); }), "");
    EXPECT_EQ(dialog.escolhidos(), checkout);
    // Removing everything keeps them; so does including after it.
    dialog.sbExcluiTodos->click();
    EXPECT_EQ(dialog.escolhidos(), checkout);
    dialog.lsbArquivos->setFocus();
    dialog.lsbArquivos->item(3)->setSelected(true);
    dialog.sbtInclui->click();
    EXPECT_EQ(dialog.escolhidos(), checkout + QStringList{kCad + "ucad.dfm"});
    dialog.sbtIncluiTodos->click();
    EXPECT_EQ(dialog.escolhidos().size(), 5);
    EXPECT_EQ(dialog.escolhidos().filter("ucad.pas").size(), 1);

    // Esc and the window's own close ask the same question; No keeps the dialog.
    bench->dialogs->answer(1);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &esc);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(bench->dialogs->texts().last(), "Cancelar Operação.");
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(confirma);
    EXPECT_TRUE(bench->arqCheckin.isEmpty());
}

TEST_P(RealSelCheckin, FormFrameworkProductsAddChangedAndNewFilesUnlessTheMachineSaysNo)
{
    QStringList adicionados, avisos;
    bench->dialogs->onModal = [&](QDialog &d) {
        auto &dialog = static_cast<TfrmSelCheckin &>(d);
        dialog.show();
        adicionados = dialog.adicionadosDepois();
        if (adicionados.isEmpty())
            return int(QDialog::Rejected);
        const QModelIndex azul = dialog.dbgArquivos->model()->index(int(dialog.escolhidos().indexOf(kCad + "novo.pas")), 0);
        EXPECT_EQ(azul.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
        EXPECT_EQ(dialog.dbgArquivos->model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
        return int(QDialog::Rejected);
    };
    bool confirma = true;
    workflow::CriaSelectFilesCheckin(*fluxo, PlataformaProduto::ProdutoLumetra, valores(), confirma);
    // Whatever the listing shows changed or new, patterns aside; the changed
    // ucad.pas is checked out already.
    adicionados.sort();
    EXPECT_EQ(adicionados, (QStringList{kCad + "nova.js", kCad + "novo.pas", kCad + "tela.php", kCad + "x.bak"}));
    ASSERT_EQ(bench->dialogs->count(qor::DialogRequest::Information), 1);
    EXPECT_TRUE(bench->dialogs->texts().join('\n').contains("\"commitados\". Tais arquivos encontram-se na cor azul."));
    EXPECT_TRUE(confirma) << "a dialog closed without the cancel changes nothing";

    QStringList perguntados;
    fluxo->setValorDaMaquina([&](const QString &nome) {
        perguntados << nome;
        return true;
    });
    bench->dialogs->shown.clear();
    workflow::CriaSelectFilesCheckin(*fluxo, PlataformaProduto::ProdutoLumetra, valores(), confirma);
    EXPECT_TRUE(adicionados.isEmpty());
    EXPECT_EQ(perguntados, QStringList{"APRBloqAdicionaArq"});
    EXPECT_EQ(bench->dialogs->count(qor::DialogRequest::Information), 0);
}

TEST_P(RealSelCheckin, ConfirmationHandsFilesAndNewDirectoriesOverAndRecordsTheReleases)
{
    bench->svn({"lock", bench->host(kCad + "uCad.pas"), bench->host(kCad + "Relatório de vendas.pas")});
    bench->write(kBase + "Fontes\\Novo\\Sub\\n.pas", "new\n");
    bench->svn({"mkdir", bench->host(kBase + "Fontes\\Agendado")});
    bench->write(kBase + "Fontes\\Agendado\\g.pas", "new\n");
    bench->write(kCad + "Nota d'água.pas", "new\n");
    const QString antes = revision(kCad + "uCad.pas");
    bool confirma = false;
    bench->dialogs->onModal = [&](QDialog &d) {
        auto &dialog = static_cast<TfrmSelCheckin &>(d);
        dialog.show();
        dialog.lsbArquivos->addItems({kCad + "novo.pas", kBase + "fontes\\novo\\sub\\n.pas",
                                      kBase + "fontes\\agendado\\g.pas", kCad + "nota d'água.pas"});
        dialog.sbtIncluiTodos->click();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
        QApplication::sendEvent(&dialog, &enter);
        EXPECT_TRUE(dialog.dbgArquivos->isEnabled());
        return dialog.result();
    };
    workflow::CriaSelectFilesCheckin(*fluxo, PlataformaProduto::Delphi, valores(), confirma);
    EXPECT_EQ(bench->dialogs->count(qor::DialogRequest::Error), 0) << bench->dialogs->texts().join('\n').toStdString();
    EXPECT_TRUE(confirma);
    EXPECT_EQ(bench->arqCheckin, (checkout + QStringList{kCad + "novo.pas", kBase + "fontes\\novo\\sub\\n.pas",
                                                           kBase + "fontes\\agendado\\g.pas", kCad + "nota d'água.pas"}));
    // Parent first; the scheduled directory is reverted and added again.
    EXPECT_EQ(bench->dirAdiciona, (QStringList{kBase + "fontes\\agendado", kBase + "fontes\\novo",
                                               kBase + "fontes\\novo\\sub"}));
    EXPECT_EQ(bench->dirReverte, QStringList{kBase + "fontes\\agendado"});
    EXPECT_TRUE(qor::BusyIndicatorShown()) << "the check-in closes it";
    qor::DeactiveShowAvi();

    const QJsonValue arquivos = remote.call("GetArqCheck", {"0001", kTask, kActivity});
    EXPECT_EQ(Column(arquivos, "ARQUIVO"), bench->arqCheckin);
    EXPECT_EQ(Column(arquivos, "CDRELEASEARQANT"), (QStringList{antes, antes, "0", "0", "0", "0"}));
    EXPECT_EQ(Column(arquivos, "CODIGO"), (QStringList{"0", "1", "2", "3", "4", "5"}));
}

// Another user takes the lock over from his own working copy: ours still
// shows it as held ("K"), yet the repository's lock is not ours.
TEST_P(RealSelCheckin, ALockTakenOverIsFoundBeforeAnythingIsRecorded)
{
    ASSERT_TRUE(AddOtherUser());
    bench->svn({"lock", bench->host(kCad + "uCad.pas"), bench->host(kCad + "Relatório de vendas.pas")});
    bench->svn({"checkout", bench->repo("ci/trunk"), bench->host("c:\\outra")});
    ASSERT_TRUE(lockAs(kOutro, kSenhaOutro, "c:\\outra\\Fontes\\Cad\\", "Relatório de vendas.pas").contains(kOutro));
    bool confirma = true;
    QString erro;
    bench->dialogs->onModal = [&](QDialog &d) {
        auto &dialog = static_cast<TfrmSelCheckin &>(d);
        dialog.show();
        dialog.sbtConfirma->click();
        erro = bench->dialogs->texts().last();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(dialog.dbgArquivos->isEnabled());
        EXPECT_FALSE(qor::BusyIndicatorShown());
        return int(QDialog::Rejected);
    };
    workflow::CriaSelectFilesCheckin(*fluxo, PlataformaProduto::Delphi, valores(), confirma);
    EXPECT_EQ(erro, BuscaCheckin::Msg("ERRO_LOCK_WORKCOPY").arg(kCad + "relatório de vendas.pas", kOutro));
    EXPECT_TRUE(confirma);
    EXPECT_TRUE(bench->arqCheckin.isEmpty());
    EXPECT_EQ(Column(remote.call("GetArqCheck", {"0001", kTask, kActivity}), "CDRELEASEARQANT"), (QStringList{"", ""}));
    bench->svn({"unlock", "--force", bench->repo("ci/trunk/Fontes/Cad/Relat%C3%B3rio%20de%20vendas.pas")});
}

INSTANTIATE_TEST_SUITE_P(Languages, RealSelCheckin, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

// ---- Without a working copy --------------------------------------------------------

TEST(SelCheckinRules, BaseAndWorkItemDirectories)
{
    EXPECT_EQ(BuscaCheckin::AjustaBase("\\prod\\x"), "c:\\prod\\x\\");
    EXPECT_EQ(BuscaCheckin::AjustaBase("C:\\Prod"), "C:\\Prod\\");
    EXPECT_EQ(BuscaCheckin::AjustaBase(""), "");
    EXPECT_EQ(BuscaCheckin::DiretorioDoItem("c:\\p\\", "\\Fontes\\Cad"), "c:\\p\\Fontes\\Cad\\");
    EXPECT_EQ(BuscaCheckin::DiretorioDoItem("c:\\p\\", "Fontes\\...\\"), "c:\\p\\Fontes\\...\\");
    EXPECT_EQ(BuscaCheckin::DiretorioDoItem("c:\\p\\", "\\Fontes\\*.pas"), "c:\\p\\Fontes\\*.pas");
}

TEST(SelCheckinRules, MenuOfTheWorkItemOrOfTheModellingScriptsAndWhatThePreparationRefuses)
{
    Bench bench;
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Cad"}, {"P&D"}});
    SelecaoCheckin valores{"P502", "\\prod\\ci", "0000000700", "03", "0001", kTask, kActivity};
    BuscaCheckin busca(bench.fluxo, PlataformaProduto::Asp, valores);
    EXPECT_EQ(busca.DiretoriosDoMenu(), (QStringList{"c:\\prod\\ci\\Fontes\\Cad\\", "c:\\prod\\ci\\P&D\\"}));
    valores.itemTrab = "MODELAGEM";
    BuscaCheckin modelagem(bench.fluxo, PlataformaProduto::Asp, valores);
    EXPECT_EQ(modelagem.DiretoriosDoMenu(),
              (QStringList{"c:\\prod\\ci\\Sql\\ATUALIZA_BD\\Oracle", "c:\\prod\\ci\\Sql\\ATUALIZA_BD\\SQLServer"}));
    EXPECT_EQ(bench.remote.count("GetDirItemTrab"), 1);

    // A failed preparation opens no dialog and leaves the flag as it was.
    bool confirma = true;
    valores.diretorioBase.clear();
    EXPECT_EQ(AbortOf([&] { workflow::CriaSelectFilesCheckin(bench.fluxo, PlataformaProduto::Asp, valores, confirma); }),
              "Não está parametrizado o diretório do produto da solicitação.");
    valores.diretorioBase = "c:\\prod\\ci";
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {});
    EXPECT_EQ(AbortOf([&] { workflow::CriaSelectFilesCheckin(bench.fluxo, PlataformaProduto::Asp, valores, confirma); }),
              "Não está parametrizado o diretório do item de trabalho da solicitação.");
    EXPECT_TRUE(confirma);
    EXPECT_EQ(bench.dialogs->count(qor::DialogRequest::Modal), 0);
    EXPECT_EQ(bench.remote.uses, 0);
}
