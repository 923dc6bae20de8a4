// A click on the status cell of the demo's planned development activity, the
// way an operator does it: the main window against the real application server
// with the demo seed and a real repository over HTTP holding the product.
#include "../server/serverprocess.h"
#include "demosession.h"
#include "support.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "module/activitylayer.h"
#include "module/frmzel.h"
#include "module/modulestate.h"
#include "plan/respativ.h"
#include "plan/richtexteditor.h"
#include "plan/transicoes.h"
#include "scripts/selscripts.h"
#include "workflow/frmselcheckin.h"
#include "workflow/frmselcheckout.h"
#include <QKeyEvent>
#include <QToolButton>
#include <QApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <QTextEdit>
#include <QToolButton>

namespace {

using apr::TfrmZEL;
using wctest::DavServer;

const QString kTask = QStringLiteral("0000005003");
const QString kActivity = QStringLiteral("00001");

class DemoCheckoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(testsupport::SvnFound(), "svn", "not found on the search path");
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        APR_REQUIRE_COMPONENT(server.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", server.why());
        qputenv("APR_HOME", home.path().toUtf8());
        qputenv("USER", "demo");
        qputenv("LANG", "C");
        // The server keeps the product's location as "/P401/trunk", below the repository's root.
        root = DavServer::instance().url;
        qputenv("APR_SVN_ROOT", root.toUtf8());
        qor::Session session = DemoSession(server);
        qor::SetSession(session);
        apr::Modulo() = apr::ModuleState{};
        product();
        QDir().mkpath(home.path() + QStringLiteral("/drives/h/Workdir/w"));
    }
    void TearDown() override
    {
        if (HasFailure())
            std::fprintf(stderr, "shown:\n%s\n", qPrintable(dialogs->texts().join(QStringLiteral("\n---\n"))));
        // The repository outlives the test: no lock of this one is left for the next.
        svn({QStringLiteral("unlock"), QStringLiteral("--force"), root + QStringLiteral("/P401/trunk/fontes/uP401.pas")});
        delete window.data();
        apr::Modulo().filtro.reset();
        qor::SetApplicationExceptionHandler({});
    }

    QString svn(QStringList args) const
    {
        QProcess svn;
        svn.setProcessChannelMode(QProcess::MergedChannels);
        args << QStringLiteral("--non-interactive") << QStringLiteral("--no-auth-cache") << QStringLiteral("--username")
             << wctest::kUser << QStringLiteral("--password-from-stdin");
        svn.start(QStringLiteral("svn"), args);
        svn.waitForStarted();
        svn.write((wctest::kPass + u'\n').toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(120000);
        return QString::fromUtf8(svn.readAll());
    }
    // The product as the demo imports it, and its working copy on the C: drive.
    void product()
    {
        QTemporaryDir sample;
        QDir(sample.path()).mkpath(QStringLiteral("fontes"));
        QDir(sample.path()).mkpath(QStringLiteral("relatorios"));
        write(sample.path() + QStringLiteral("/fontes/uP401.pas"), "unit uP401;\n\nend.\n");
        write(sample.path() + QStringLiteral("/fontes/default.asp"), "<% %>\n");
        write(sample.path() + QStringLiteral("/relatorios/P401.sql"), "select 1;\n");
        svn({QStringLiteral("import"), QStringLiteral("-q"), QStringLiteral("-m"), QStringLiteral("Produto P401"),
             sample.path(), root + QStringLiteral("/P401/trunk")});
        copy = home.path() + QStringLiteral("/drives/c/sistemas/prod/P401");
        QDir().mkpath(copy);
        svn({QStringLiteral("checkout"), QStringLiteral("-q"), root + QStringLiteral("/P401/trunk"), copy});
    }
    static void write(const QString &path, const QByteArray &text)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    TfrmZEL &openOnPlan()
    {
        window = OpenOnPlan();
        window->atividades().stUsuarioSvn = wctest::kUser;
        window->atividades().stSenhaSvn = wctest::kPass;
        return *window;
    }
    int rowOf(const TfrmZEL &w) const
    {
        const qor::RecordSet &plan = w.cdsPlanAtivTare;
        for (int r = 0; r < plan.recordCount(); ++r)
            if (plan.fieldByName(QStringLiteral("NRTAREFA")).valueAt(r).toString() == kTask)
                return r;
        return -1;
    }
    QString status(const TfrmZEL &w) const
    {
        return w.cdsPlanAtivTare.fieldByName(QStringLiteral("IDSITATIVTAR")).valueAt(rowOf(w)).toString();
    }

    // A left click on the activity's cell of that column, as the operator gives it.
    void click(TfrmZEL &w, const QString &task, const QString &field)
    {
        int row = -1;
        for (int r = 0; r < w.cdsPlanAtivTare.recordCount(); ++r)
            if (w.cdsPlanAtivTare.textAt(QStringLiteral("NRTAREFA"), r) == task)
                row = r;
        ASSERT_GE(row, 0) << qPrintable(task);
        backToPlan(w);
        const QModelIndex cell = w.dtsPadrao->index(row, w.dtsPadrao->columnOf(field));
        w.dbgPadrao->scrollTo(cell);
        QTest::mouseClick(w.dbgPadrao->viewport(), Qt::LeftButton, {}, w.dbgPadrao->visualRect(cell).center());
        QApplication::processEvents();
    }
    // The OK of the command view a workflow left in front: back to the plan.
    static void backToPlan(TfrmZEL &w)
    {
        if (w.btnConfirmaSubVersion->isVisible() && w.btnConfirmaSubVersion->isEnabled())
            w.btnConfirmaSubVersion->click();
        QApplication::processEvents();
    }
    QString field(const TfrmZEL &w, const QString &task, const char *name) const
    {
        const qor::RecordSet &plan = w.cdsPlanAtivTare;
        for (int r = 0; r < plan.recordCount(); ++r)
            if (plan.textAt(QStringLiteral("NRTAREFA"), r) == task)
                return plan.fieldByName(QString::fromLatin1(name)).displayTextAt(r);
        return QStringLiteral("<no row>");
    }
    // The selection as the operator makes it: the fontes directory, every file listed.
    std::function<int(QDialog &)> pickAll(int &opened)
    {
        return [&opened](QDialog &dialog) {
            auto *selecao = qobject_cast<workflow::TfrmSelCheckout *>(&dialog);
            if (!selecao)
                return 0;
            ++opened;
            selecao->btnSelDirClick();
            selecao->ClicaPopMenu(0);
            for (int i = 0; i < selecao->lsbArquivos->count(); ++i)
                selecao->AddFile(selecao->lsbArquivos->item(i)->text());
            selecao->sbtConfirmaClick();
            return selecao->result();
        };
    }
    QString lockOwner() const
    {
        const QString info = svn({QStringLiteral("info"), root + QStringLiteral("/P401/trunk/fontes/uP401.pas")});
        const qsizetype at = info.indexOf(QStringLiteral("Lock Owner: "));
        return at < 0 ? QString() : info.mid(at + 12).section(u'\n', 0, 0).trimmed();
    }

    testsupport::ServerProcess server;
    QTemporaryDir home;
    QString root, copy;
    qor::ScopedScriptedDialogs dialogs;
    QPointer<TfrmZEL> window;
};

TEST_F(DemoCheckoutTest, TheOperatorPicksTheWorkItemsFilesAndTheyAreLockedAndRecorded)
{
    TfrmZEL &w = openOnPlan();
    ASSERT_GE(rowOf(w), 0);
    ASSERT_EQ(status(w), QStringLiteral("P"));
    QStringList candidatos;
    dialogs->onModal = [&](QDialog &dialog) {
        auto *selecao = qobject_cast<workflow::TfrmSelCheckout *>(&dialog);
        if (!selecao)
            return 0;
        selecao->btnSelDirClick();
        selecao->ClicaPopMenu(0);   // c:\sistemas\prod\P401\fontes\ (the Delphi masks leave the .asp out)
        for (int i = 0; i < selecao->lsbArquivos->count(); ++i) {
            candidatos << selecao->lsbArquivos->item(i)->text();
            selecao->AddFile(candidatos.last());
        }
        selecao->sbtConfirmaClick();   // "Sim" to the question
        return selecao->result();
    };
    const QModelIndex celula = w.dtsPadrao->index(rowOf(w), w.dtsPadrao->columnOf(QStringLiteral("IDSITATIVTAR")));
    w.dbgPadrao->scrollTo(celula);
    const QRect retangulo = w.dbgPadrao->visualRect(celula);
    ASSERT_TRUE(retangulo.isValid());
    QTest::mouseClick(w.dbgPadrao->viewport(), Qt::LeftButton, {}, retangulo.center());
    QApplication::processEvents();
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Error), 0) << qPrintable(dialogs->texts().join('\n'));

    EXPECT_EQ(candidatos, QStringList{QStringLiteral("c:\\sistemas\\prod\\p401\\fontes\\up401.pas")});
    const QString info = svn({QStringLiteral("info"), root + QStringLiteral("/P401/trunk/fontes/uP401.pas")});
    EXPECT_TRUE(info.contains(QStringLiteral("Lock Owner: ") + wctest::kUser)) << qPrintable(info);
    const QJsonArray files = w.Servidor()
                                 .call(QStringLiteral("GetArqCheckout"), {QStringLiteral("0001"), kTask, kActivity})
                                 .toObject().value(QStringLiteral("rows")).toArray();
    EXPECT_EQ(files.size(), 1);
    EXPECT_EQ(status(w), QStringLiteral("A")) << "the activity runs once its files are checked out";
    EXPECT_FALSE(w.lsbProgresso->findItems(QStringLiteral("BLOQUEANDO O ARQUIVO NO REPOSITÓRIO ..."),
                                           Qt::MatchStartsWith).isEmpty());
}

// The server goes away between the check-out and the start: the locks stay,
// the row says so, and once the server is back the next click starts the
// activity without a second check-out.
TEST_F(DemoCheckoutTest, AStartInterruptedAfterTheCheckoutResumesWithoutASecondOne)
{
    TfrmZEL &w = openOnPlan();
    ASSERT_EQ(status(w), QStringLiteral("P"));
    int selections = 0;
    dialogs->onModal = pickAll(selections);
    plan::OperacoesTransicoes &op = w.transicoes().operacoes();
    const auto checkout = op.realizaCheckout;
    op.realizaCheckout = [&](const plan::PedidoVersao &pedido) {
        checkout(pedido);
        server.stop();
    };
    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(lockOwner(), wctest::kUser);
    EXPECT_EQ(status(w), QStringLiteral("P")) << "the server never recorded the start";
    EXPECT_EQ(field(w, QStringLiteral("0000005001"), "IDSITATIVTAR"), QStringLiteral("A"));
    EXPECT_EQ(field(w, kTask, "DSSTFASETRAM"), w.msgPadrao.Msg(QStringLiteral("Inicio_Pendente")));
    backToPlan(w);
    EXPECT_TRUE(w.dbgPadrao->isEnabled()) << "the operator can click again";
    EXPECT_GE(dialogs->count(qor::DialogRequest::Error) + dialogs->count(qor::DialogRequest::Detail), 1);

    op.realizaCheckout = checkout;
    ASSERT_TRUE(server.restart()) << qPrintable(server.why());
    dialogs->shown.clear();
    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    EXPECT_TRUE(dialogs->shown.empty()) << qPrintable(dialogs->texts().join('\n'));
    EXPECT_EQ(selections, 1) << "no second check-out of the held files";
    EXPECT_EQ(status(w), QStringLiteral("A"));
    EXPECT_EQ(field(w, QStringLiteral("0000005001"), "IDSITATIVTAR"), QStringLiteral("I"));
    EXPECT_NE(field(w, kTask, "DSSTFASETRAM"), w.msgPadrao.Msg(QStringLiteral("Inicio_Pendente")));
    EXPECT_EQ(lockOwner(), wctest::kUser);
}

// The operator's day against the real server and repository: a development
// activity started (its file locked), another started (the first paused),
// the first resumed without a second check-out, finished, paused, reopened,
// finished again and concluded (patch script, answer, the lock given back)
// -- and the server agrees.
TEST_F(DemoCheckoutTest, TheOperatorsDayFromStartToConclusion)
{
    TfrmZEL &w = openOnPlan();
    int selections = 0;
    dialogs->onModal = pickAll(selections);
    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    ASSERT_EQ(status(w), QStringLiteral("A")) << qPrintable(dialogs->texts().join('\n'));
    EXPECT_EQ(lockOwner(), wctest::kUser);
    EXPECT_EQ(field(w, QStringLiteral("0000005001"), "IDSITATIVTAR"), QStringLiteral("I"));

    const QString other = QStringLiteral("0000005002");
    click(w, other, QStringLiteral("IDSITATIVTAR"));
    EXPECT_EQ(field(w, other, "IDSITATIVTAR"), QStringLiteral("A"));
    EXPECT_EQ(status(w), QStringLiteral("I")) << "one activity runs at a time";

    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    EXPECT_EQ(status(w), QStringLiteral("A"));
    EXPECT_EQ(field(w, other, "IDSITATIVTAR"), QStringLiteral("I"));
    EXPECT_EQ(selections, 1);

    click(w, kTask, QStringLiteral("IDORIGTARE"));
    EXPECT_FALSE(field(w, kTask, "DTFIRATIVTAR").isEmpty()) << "finished";
    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    ASSERT_EQ(status(w), QStringLiteral("I"));
    // Resumed, the finished activity is reopened: the server forgets its realised end.
    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    ASSERT_EQ(status(w), QStringLiteral("A"));
    w.GetPlanAtivTare();
    EXPECT_TRUE(field(w, kTask, "DTFIRATIVTAR").isEmpty());
    click(w, kTask, QStringLiteral("IDORIGTARE"));
    click(w, kTask, QStringLiteral("IDSITATIVTAR"));
    ASSERT_EQ(status(w), QStringLiteral("I"));
    ASSERT_FALSE(field(w, kTask, "DTFIRATIVTAR").isEmpty());

    dialogs->shown.clear();
    dialogs->onModal = [this](QDialog &dialog) {
        if (auto *patch = qobject_cast<scripts::TfrmSelScripts *>(&dialog)) {
            patch->dlbDiretorioChange(QStringLiteral("c:\\sistemas\\prod\\P401\\relatorios"));
            patch->selecionaArquivos({QStringLiteral("P401.sql")});
            patch->tbtIncluiPatchClick();
            patch->show();
            patch->sbtConfirmaClick();
            return patch->result();
        }
        if (auto *answer = qobject_cast<plan::TfrmRespAtiv *>(&dialog)) {
            answer->show();
            QTest::keyClicks(answer->dbrResposta->edit(), QStringLiteral("Cadastro ajustado"));
            answer->sbtConfirma->click();
            // The check-in: "APENAS DESBLOQUEAR" (the commit is the check-in's own test, on
            // the same repository).
            dialogs->answer(1);
            return answer->result();
        }
        return 0;
    };
    click(w, kTask, QStringLiteral("IDORIGTARE"));
    EXPECT_EQ(dialogs->count(qor::DialogRequest::Error), 0) << qPrintable(dialogs->texts().join('\n'));
    EXPECT_EQ(status(w), QStringLiteral("C"));
    EXPECT_TRUE(lockOwner().isEmpty()) << "the lock is given back";
    qor::RecordSet item;
    w.Servidor().load(item, QStringLiteral("GetVdRelacItTrabProd"), {QStringLiteral("P401"), QStringLiteral("0000000103")});
    EXPECT_EQ(item.textOf(QStringLiteral("IDSITCHECKOUT")), QStringLiteral("N")) << "the work item is given back";
    w.GetPlanAtivTare();
    EXPECT_EQ(status(w), QStringLiteral("C")) << "the server concluded it";
}

// Concluding the demo's activity takes the road back: after the check-out
// the operator changes the unit, writes a new one in a new directory, and the
// check-in through the activity layer sends both with the request, gives the
// lock back, records the new releases and removes the backup.
TEST_F(DemoCheckoutTest, AfterTheCheckoutTheChangedAndNewFilesAreCheckedIn)
{
    // The repository outlives each case: a lock an earlier case left goes first.
    svn({QStringLiteral("unlock"), QStringLiteral("--force"), root + QStringLiteral("/P401/trunk/fontes/uP401.pas")});
    TfrmZEL &w = openOnPlan();
    ASSERT_GE(rowOf(w), 0);
    dialogs->onModal = [&](QDialog &dialog) {
        auto *selecao = qobject_cast<workflow::TfrmSelCheckout *>(&dialog);
        if (!selecao)
            return 0;
        selecao->btnSelDirClick();
        selecao->ClicaPopMenu(0);
        for (int i = 0; i < selecao->lsbArquivos->count(); ++i)
            selecao->AddFile(selecao->lsbArquivos->item(i)->text());
        selecao->sbtConfirmaClick();
        return selecao->result();
    };
    const QModelIndex celula = w.dtsPadrao->index(rowOf(w), w.dtsPadrao->columnOf(QStringLiteral("IDSITATIVTAR")));
    w.dbgPadrao->scrollTo(celula);
    QTest::mouseClick(w.dbgPadrao->viewport(), Qt::LeftButton, {}, w.dbgPadrao->visualRect(celula).center());
    QApplication::processEvents();
    ASSERT_EQ(status(w), QStringLiteral("A")) << qPrintable(dialogs->texts().join('\n'));
    const QString backup = home.path() + QStringLiteral("/drives/h/Workdir/w/0000012003/") + kTask + u'/' + kActivity;
    ASSERT_FALSE(QDir(backup).entryList(QDir::Files).isEmpty()) << qPrintable(backup);

    // The operator's work.
    write(copy + QStringLiteral("/fontes/uP401.pas"), "unit uP401;\n\n// ajuste da atividade\n\nend.\n");
    QDir().mkpath(copy + QStringLiteral("/fontes/novo"));
    write(copy + QStringLiteral("/fontes/novo/unovo.pas"), "unit uNovo;\n\nend.\n");

    const QString novo = QStringLiteral("c:\\sistemas\\prod\\p401\\fontes\\novo\\unovo.pas");
    QStringList escolhidos;
    dialogs->onModal = [&](QDialog &d) {
        auto *selecao = qobject_cast<workflow::TfrmSelCheckin *>(&d);
        if (!selecao)
            return 0;
        selecao->show();
        selecao->lsbArquivos->addItem(novo);
        selecao->sbtIncluiTodos->click();
        escolhidos = selecao->escolhidos();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
        QApplication::sendEvent(selecao, &enter);
        return selecao->result();
    };
    dialogs->answer(0);   // CONFIRMAR ATIVIDADE
    const qor::RecordSet &plano = w.cdsPlanAtivTare;
    const int row = rowOf(w);
    auto campo = [&](const char *nome) { return plano.textAt(QString::fromLatin1(nome), row); };
    apr::ActivityLayer &camada = w.atividades();
    bool realizou = false;
    try {
        realizou = camada.Realiza_Checkin(campo("CDPRODGRUP"), campo("CDPROCESSO"), campo("CDFILIAL"),
                                          campo("NRSOLISERV"), kTask, kActivity, campo("CDITEMTRAB"),
                                          campo("DSDIRVSS").section(u';', 0, 0), campo("DSDIRBASEVER").section(u';', 0, 0));
    } catch (const qor::EAbort &e) {
        FAIL() << e.what() << "\n" << qPrintable(dialogs->texts().join('\n'));
    }
    EXPECT_TRUE(realizou);
    EXPECT_TRUE(camada.boConfirmaCheckin);
    EXPECT_EQ(escolhidos.size(), 2) << qPrintable(escolhidos.join('|'));

    const QString log = svn({QStringLiteral("log"), QStringLiteral("--xml"), root + QStringLiteral("/P401/trunk/fontes")});
    EXPECT_EQ(log.count(QStringLiteral("<msg>SOL:0000012003</msg>")), 3) << qPrintable(log);   // novo, unovo.pas, uP401.pas
    const QString info = svn({QStringLiteral("info"), root + QStringLiteral("/P401/trunk/fontes/uP401.pas")});
    EXPECT_FALSE(info.contains(QStringLiteral("Lock Owner"))) << qPrintable(info);
    EXPECT_TRUE(svn({QStringLiteral("info"), root + QStringLiteral("/P401/trunk/fontes/novo/unovo.pas")})
                    .contains(QStringLiteral("unovo.pas")));
    const QJsonObject arquivos = w.Servidor()
                                     .call(QStringLiteral("GetArqCheck"), {QStringLiteral("0001"), kTask, kActivity})
                                     .toObject();
    const QString revisao = svn({QStringLiteral("info"), QStringLiteral("--show-item"), QStringLiteral("last-changed-revision"),
                                 root + QStringLiteral("/P401/trunk/fontes/uP401.pas")}).trimmed();
    QStringList atuais;
    for (const QJsonValue &linha : arquivos.value(QStringLiteral("rows")).toArray())
        atuais << linha.toArray().at(6).toVariant().toString();
    EXPECT_TRUE(atuais.contains(revisao)) << qPrintable(atuais.join('|'));
    EXPECT_EQ(atuais.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(backup)) << "the backup goes once everything is in";
    EXPECT_FALSE(w.lsbProgresso->findItems(QStringLiteral("ATUALIZANDO O ARQUIVO DO REPOSITÓRIO ..."),
                                           Qt::MatchStartsWith).isEmpty());
}

}
