// The check-out selection over a real working copy (real client, Apache +
// mod_dav_svn) and scripted server answers: the expansion markers, what the
// status listing excludes, the filter, and the dialog's outcomes.
#include "support.h"
#include "workflow/buscacheckout.h"
#include "workflow/frmselcheckout.h"
#include "workflow/selcheckout.h"
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QToolButton>

using namespace wctest;
using workflow::BuscaCheckout;
using workflow::PlataformaProduto;
using workflow::SelecaoCheckout;
using workflow::TfrmSelCheckout;

namespace {

const QString kSrc = "c:\\prod\\x\\src\\";

SelecaoCheckout valores(const QString &tipo = "01")
{
    return {"0042", "\\prod\\x", "", "IT01", tipo, "0001", "0000005001", "00001"};
}

QStringList sob(const QStringList &names, const QString &dir = kSrc)
{
    QStringList out;
    for (const QString &n : names)
        out << dir + n;
    return out;
}

int statusRuns(const Bench &bench)
{
    int n = 0;
    for (const vcs::CommandResult &r : bench.runner->runner().results())
        n += r.shownCommand.startsWith("svn status");
    return n;
}

// A working copy at c:\prod\x with versioned files of several kinds and
// unversioned ones next to them; c:\solto is no working copy at all.
class RealSelection : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        bench = std::make_unique<Bench>(GetParam());
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("sel/trunk")});
        bench->svn({"checkout", bench->repo("sel/trunk"), bench->host("c:\\prod\\x")});
        for (const char *f : {"uCad.pas", "uCad.dfm", "a.p", "b.pas", "Makefile", "leia.txt", "forms\\fCad.dfm",
                              "forms\\fCad.pas", "forms\\fLista.dfm", "forms\\deep\\uDeep.pas", "abc_cad\\x.pas",
                              "outro\\y.pas", "com espaco\\v.pas"})
            bench->write(kSrc + f, "x\n");
        bench->svn({"add", "--force", bench->host("c:\\prod\\x\\src")});
        bench->svn({"commit", "-m", "SOL:1 fontes", bench->host("c:\\prod\\x")});
        for (const char *f : {"novo.pas", "b.pas.bak", "naoversionado\\z.pas", "com espaco\\n'o.pas"})
            bench->write(kSrc + f, "x\n");
        bench->write("c:\\solto\\s.pas", "x\n");
    }
    QStringList procura(const QString &dir, const QString &tipo = "01")
    {
        BuscaCheckout busca(bench->fluxo, PlataformaProduto::Delphi, valores(tipo));
        return busca.Procura(dir);
    }
    std::unique_ptr<Bench> bench;
};

}

TEST_P(RealSelection, PlainDirectoryOffersVersionedFilesOfThePlatformOnly)
{
    // "?" files, other extensions and names without one are left out; ".p" is
    // part of "*.pas"; an unversioned "b.pas.bak" does not hide "b.pas".
    EXPECT_EQ(procura(kSrc), sob({"a.p", "b.pas", "ucad.dfm", "ucad.pas"}));
    EXPECT_EQ(statusRuns(*bench), 1);
    EXPECT_EQ(procura(kSrc + "com espaco\\"), sob({"com espaco\\v.pas"}));
    for (const vcs::CommandResult &r : bench->runner->runner().results())
        EXPECT_FALSE(r.shownCommand.contains(kPass));
}

TEST_P(RealSelection, EachMarkerExpandsAsItSays)
{
    const QStringList todos = sob({"a.p", "b.pas", "ucad.dfm", "ucad.pas"});
    // Any depth, unversioned directories (naoversionado) excluded as a whole.
    QStringList fundo = todos + sob({"abc_cad\\x.pas", "forms\\deep\\udeep.pas", "forms\\fcad.dfm",
                                     "forms\\fcad.pas", "forms\\flista.dfm", "outro\\y.pas", "com espaco\\v.pas"});
    fundo.sort();
    EXPECT_EQ(procura(kSrc + "...\\"), fundo);
    // One level: forms\deep stays out.
    QStringList umNivel = todos + sob({"abc_cad\\x.pas", "forms\\fcad.dfm", "forms\\fcad.pas", "forms\\flista.dfm",
                                       "outro\\y.pas", "com espaco\\v.pas"});
    umNivel.sort();
    EXPECT_EQ(procura(kSrc + "*\\"), umNivel);
    // Directories whose name holds the fragment, in any case, and the files beside them.
    QStringList fragmento = todos + sob({"abc_cad\\x.pas"});
    fragmento.sort();
    EXPECT_EQ(procura(kSrc + "*CAD*\\"), fragmento);
    // No marker: a mask.
    EXPECT_EQ(procura(kSrc + "forms\\*.dfm"), sob({"forms\\fcad.dfm", "forms\\flista.dfm"}));
}

TEST_P(RealSelection, OneStatusRunPerDirectoryForTheSameCandidates)
{
    BuscaCheckout busca(bench->fluxo, PlataformaProduto::Delphi, valores());
    const QStringList candidatos = busca.Procura(kSrc + "...\\");
    // Every file is an entry of its own, yet each directory is listed once:
    // src, forms, deep, abc_cad, outro, naoversionado and "com espaco".
    EXPECT_GT(busca.cdsAux().size(), 12);
    EXPECT_EQ(statusRuns(*bench), 7);
    // The same answer as listing entry by entry.
    QStringList umPorUm;
    for (const QString &entry : busca.cdsAux()) {
        BuscaCheckout sozinha(bench->fluxo, PlataformaProduto::Delphi, valores());
        sozinha.ProcuraArquivos(entry, umPorUm);
    }
    umPorUm.sort();
    EXPECT_EQ(candidatos, umPorUm);
    // A new search asks again.
    busca.Procura(kSrc + "...\\");
    EXPECT_EQ(statusRuns(*bench), 7 + int(busca.cdsAux().size()) + 7);
}

TEST_P(RealSelection, NoWorkingCopyOffersNothingAndNoEntryIsAnError)
{
    EXPECT_TRUE(procura("c:\\solto\\").isEmpty());
    EXPECT_TRUE(procura("c:\\solto\\*.pas").isEmpty());
    // Climbing out of the drive reaches no directory of the host.
    EXPECT_THROW(procura("c:\\..\\..\\*\\"), qor::EAbort);
    EXPECT_EQ(statusRuns(*bench), 2);
    try {
        procura("c:\\nada\\aqui\\");
        ADD_FAILURE() << "no error";
    } catch (const qor::EAbort &e) {
        EXPECT_EQ(e.message(), "O diretório não existe: c:\\nada\\aqui\\.");
    }
}

TEST_P(RealSelection, WorkItemType14OffersOnlyItsReducedCodeAskingOnce)
{
    bench->remote.answers["GetItemTarefa"] = Packet({"CDREDUITTRAB"}, {{"UCAD.PAS"}});
    EXPECT_EQ(procura(kSrc, "14"), sob({"ucad.pas"}));
    ASSERT_EQ(bench->remote.count("GetItemTarefa"), 1);
    EXPECT_EQ(bench->remote.calls.back().args,
              (QJsonArray{"0001", "000000000001", "0000005001", "00001", "0042", "IT01"}));
    EXPECT_EQ(procura(kSrc + "forms\\", "14"), QStringList());
}

TEST_P(RealSelection, DialogFromMenuToConfirmedFiles)
{
    bench->remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\src"}, {"src\\forms\\*.dfm"}});
    bool confirma = false;
    QStringList menu, lista, depoisDoFiltro, daGrade;
    bench->dialogs->onModal = [&](QDialog &d) {
        auto &dialog = static_cast<TfrmSelCheckout &>(d);
        dialog.show();
        dialog.findChild<QToolButton *>("btnSelDir")->click();
        auto *popup = dialog.findChild<QMenu *>("pmnDirItemtrab");
        for (QAction *a : popup->actions())
            menu << a->text();
        popup->actions().at(0)->trigger();
        auto *list = dialog.findChild<QListWidget *>("lsbArquivos");
        for (int i = 0; i < list->count(); ++i)
            lista << list->item(i)->text();
        auto *filtro = dialog.findChild<QLineEdit *>("edtFiltro");
        EXPECT_TRUE(filtro->isEnabled());
        filtro->setText("C:\\PROD\\X\\SRC\\U");
        for (int i = 0; i < list->count(); ++i)
            depoisDoFiltro << list->item(i)->text();
        // Another directory after a typed filter: no "NOT_FILE" for the clearing.
        dialog.findChild<QToolButton *>("btnSelDir")->click();
        popup->actions().at(1)->trigger();
        EXPECT_TRUE(filtro->text().isEmpty());
        list->setFocus();
        list->item(1)->setSelected(true);
        dialog.findChild<QToolButton *>("btnIncluiArq")->click();
        emit list->itemDoubleClicked(list->item(0));
        daGrade = dialog.escolhidos();
        dialog.findChild<QToolButton *>("sbtConfirma")->click();
        return int(dialog.result());
    };
    workflow::CriaSelectFiles(bench->fluxo, PlataformaProduto::Delphi, valores(), confirma);
    EXPECT_EQ(menu, (QStringList{"C:\\prod\\x\\src\\", "C:\\prod\\x\\src\\forms\\*.dfm"}));
    EXPECT_EQ(lista, sob({"a.p", "b.pas", "ucad.dfm", "ucad.pas"}));
    EXPECT_EQ(depoisDoFiltro, sob({"ucad.dfm", "ucad.pas"}));
    EXPECT_EQ(daGrade, sob({"forms\\flista.dfm", "forms\\fcad.dfm"}));
    EXPECT_EQ(bench->dialogs->count(qor::DialogRequest::Error), 0) << bench->dialogs->texts().join('\n').toStdString();
    EXPECT_TRUE(confirma);
    EXPECT_EQ(bench->arqCheckout, daGrade);
    ASSERT_EQ(bench->remote.count("SetArqCheckout"), 2);
    EXPECT_EQ(bench->remote.calls.back().args,
              (QJsonArray{"0001", "0000005001", "00001", "1", kSrc + "forms\\fcad.dfm"}));
    EXPECT_EQ(bench->remote.uses, 0);
}

INSTANTIATE_TEST_SUITE_P(Languages, RealSelection, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

// ---- Without a working copy --------------------------------------------------------

TEST(SelectionFilter, PrefixWithoutCaseAndPercentForAnyRun)
{
    const QString path = "c:\\prod\\x\\src\\ucad.pas";
    EXPECT_TRUE(BuscaCheckout::FiltroAceita("C:\\PROD\\X\\src", path));
    EXPECT_FALSE(BuscaCheckout::FiltroAceita("prod", path));
    EXPECT_TRUE(BuscaCheckout::FiltroAceita("%CAD", path));
    EXPECT_TRUE(BuscaCheckout::FiltroAceita("c:%src%.pas", path));
    EXPECT_FALSE(BuscaCheckout::FiltroAceita("c:%.pas%src", path));
    // Quotes and the other wildcard characters of a query are characters.
    EXPECT_FALSE(BuscaCheckout::FiltroAceita("c:\\prod' OR '1'='1", path));
    EXPECT_TRUE(BuscaCheckout::FiltroAceita("c:\\o'brien", "c:\\o'brien\\a.pas"));
    EXPECT_FALSE(BuscaCheckout::FiltroAceita("c:\\prod\\x\\src\\u_ad", path));
    EXPECT_FALSE(BuscaCheckout::FiltroAceita("c:\\prod\\x\\src\\*", path));
}

TEST(SelectionBase, DriveOnlyWhenThereIsNone)
{
    EXPECT_EQ(BuscaCheckout::AjustaBase("\\prod\\x"), "C:\\prod\\x\\");
    EXPECT_EQ(BuscaCheckout::AjustaBase("c:\\prod\\"), "c:\\prod\\");
    EXPECT_EQ(BuscaCheckout::AjustaBase("d:\\x"), "d:\\x\\");
    EXPECT_EQ(BuscaCheckout::AjustaBase("D:\\x\\"), "D:\\x\\");
    EXPECT_EQ(BuscaCheckout::AjustaBase("prod"), "C:\\prod\\");
}

TEST(SelectionMenu, DirectoriesOfTheWorkItemOrTheModellingPair)
{
    Bench bench;
    bench.remote.answers["GetDirItemTrab"] =
        Packet({"DSDIRARQFONTIT"}, {{"\\src"}, {"src\\unit.pas"}, {"src\\...\\"}, {"P&D\\"}});
    BuscaCheckout busca(bench.fluxo, PlataformaProduto::Asp, valores());
    QString base = "\\prod\\x";
    EXPECT_EQ(busca.DiretoriosDoMenu(base), (QStringList{"C:\\prod\\x\\src\\", "C:\\prod\\x\\src\\unit.pas",
                                                          "C:\\prod\\x\\src\\...\\", "C:\\prod\\x\\P&D\\"}));
    EXPECT_EQ(base, "C:\\prod\\x\\");
    EXPECT_EQ(bench.remote.calls.back().args, (QJsonArray{"IT01", "0042"}));

    SelecaoCheckout modelagem = valores("04");
    modelagem.modo = "MODELAGEM";
    BuscaCheckout dados(bench.fluxo, PlataformaProduto::Delphi, modelagem);
    QString c = "c:\\prod";
    EXPECT_EQ(dados.DiretoriosDoMenu(c), (QStringList{"c:\\prod\\Sql\\ATUALIZA_BD\\Oracle\\",
                                                       "c:\\prod\\Sql\\ATUALIZA_BD\\SQLServer\\"}));
    EXPECT_EQ(bench.remote.count("GetDirItemTrab"), 1);

    QString vazio;
    EXPECT_THROW(busca.DiretoriosDoMenu(vazio), qor::EAbort);
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {});
    EXPECT_THROW(busca.DiretoriosDoMenu(base), qor::EAbort);
}

TEST(SelectionMenu, AmpersandOfADirectoryReachesTheSearch)
{
    Bench bench;
    bench.remote.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"P&D"}});
    bool confirma = false;
    TfrmSelCheckout dialog(bench.fluxo, PlataformaProduto::Delphi, valores(), confirma);
    dialog.btnSelDir->click();
    dialog.pmnDirItemtrab->actions().at(0)->trigger();
    EXPECT_EQ(dialog.edtDirCliente->text(), "C:\\prod\\x\\P&D\\");
    EXPECT_EQ(bench.dialogs->texts().value(0), "O diretório não existe: C:\\prod\\x\\P&D\\.");
    EXPECT_FALSE(dialog.edtFiltro->isEnabled());
}

// The grid and the outcomes, over candidates put in the list directly.
class SelectionGrid : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<TfrmSelCheckout>(bench.fluxo, PlataformaProduto::Delphi, valores(), confirma);
        dialog->show();
        for (const char *f : {"c:\\p\\a.pas", "c:\\p\\b.pas", "c:\\p\\c.pas"})
            dialog->lsbArquivos->addItem(f);
        dialog->lsbArquivos->setFocus();
    }
    Bench bench;
    bool confirma = true;
    std::unique_ptr<TfrmSelCheckout> dialog;
};

TEST_F(SelectionGrid, TwiceByDoubleClickIsRefusedButIncludeAllLeavesNoRecord)
{
    dialog->AddFile("C:\\P\\A.PAS");
    EXPECT_THROW(dialog->AddFile("c:\\p\\a.pas"), qor::EAbort);
    EXPECT_EQ(bench.dialogs->texts().value(0), "Arquivo informado já foi cadastrado.");
    dialog->btnIncluiTodos->click();
    EXPECT_EQ(dialog->escolhidos(), (QStringList{"c:\\p\\a.pas", "c:\\p\\b.pas", "c:\\p\\c.pas"}));
    EXPECT_EQ(dialog->stArquivo(), QStringList{"c:\\p\\a.pas"});
    dialog->AddFile("c:\\p\\b.pas");
    EXPECT_EQ(dialog->escolhidos().count("c:\\p\\b.pas"), 2);
}

TEST_F(SelectionGrid, IncludeButtonsActOnlyFromTheListAndRemovalsForgetNames)
{
    dialog->lsbArquivos->item(0)->setSelected(true);
    dialog->lsbArquivos->item(2)->setSelected(true);
    dialog->dbgArquivos->setFocus();
    dialog->btnIncluiArq->click();
    dialog->btnIncluiTodos->click();
    EXPECT_TRUE(dialog->escolhidos().isEmpty());
    dialog->lsbArquivos->setFocus();
    dialog->btnIncluiArq->click();
    dialog->btnIncluiArq->click();
    EXPECT_EQ(dialog->escolhidos(), (QStringList{"c:\\p\\a.pas", "c:\\p\\c.pas"}));
    EXPECT_EQ(dialog->stArquivo(), dialog->escolhidos());

    dialog->cdsArquivo.first();
    dialog->dbgArquivosDblClick();
    EXPECT_EQ(dialog->stArquivo(), QStringList{"c:\\p\\c.pas"});
    dialog->AddFile("c:\\p\\a.pas");
    dialog->AddFile("c:\\p\\b.pas");
    // The current row and the marked ones go.
    dialog->cdsArquivo.first();
    dialog->dbgArquivos->selectionModel()->select(dialog->dbgArquivos->model()->index(2, 0),
                                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    dialog->btnLimpaArq->click();
    EXPECT_EQ(dialog->escolhidos(), QStringList{"c:\\p\\a.pas"});
    EXPECT_EQ(dialog->stArquivo(), QStringList{"c:\\p\\a.pas"});
    dialog->btnLimpaTodos->click();
    EXPECT_TRUE(dialog->escolhidos().isEmpty());
    EXPECT_TRUE(dialog->stArquivo().isEmpty());
}

TEST_F(SelectionGrid, ConfirmAndCloseOutcomes)
{
    bench.arqCheckout = QStringList{"velho"};
    // Confirm answered No, then the empty grid answered No: nothing changes.
    bench.dialogs->answer(1);
    dialog->sbtConfirma->click();
    bench.dialogs->answer(0);
    bench.dialogs->answer(1);
    dialog->sbtConfirma->click();
    EXPECT_TRUE(confirma);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(bench.dialogs->texts().at(2), "Nenhum Arquivo foi selecionado para esta atividade, deseja Continuar");
    // Close answered No keeps the flag; Esc asks the same.
    bench.dialogs->answer(1);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(dialog.get(), &esc);
    EXPECT_TRUE(confirma);
    EXPECT_EQ(bench.dialogs->texts().last(), "Cancelar Operação.");
    bench.dialogs->answer(0);
    dialog->sbtCancel->click();
    EXPECT_FALSE(confirma);
    EXPECT_EQ(dialog->result(), int(QDialog::Rejected));

    // Ctrl+Enter confirms; the empty grid answered Yes hands an empty list over.
    dialog->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
    QApplication::sendEvent(dialog.get(), &enter);
    EXPECT_TRUE(confirma);
    EXPECT_TRUE(bench.arqCheckout.isEmpty());
    EXPECT_EQ(bench.remote.count("SetArqCheckout"), 0);
    EXPECT_EQ(dialog->result(), int(QDialog::Accepted));
    EXPECT_EQ(bench.remote.uses, 0);
}
