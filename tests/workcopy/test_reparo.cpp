// A product picked in "Update Version": repair, move aside, fresh checkout, and
// the renaming of unversioned directories around an update, with the real client.
#include "support.h"
#include "host/abort.h"
#include "workcopy/arquivocontrole.h"
#include "workcopy/operacoesproduto.h"
#include "workcopy/renomeiadiretorios.h"
#include "workcopy/textos.h"
#include <QSqlDatabase>
#include <QSqlQuery>

using namespace wctest;
using workcopy::OperacoesProduto;
using workcopy::RenomeiaDiretorios;

namespace {

struct Janela {
    explicit Janela(Bench &bench) : ctx{bench.fluxo, stDirArqSV, escolhida, cdsOperDesenv, cdsParamVersao}
    {
        ctx.progresso = bench.sink;
        ctx.paths = bench.paths;
        ctx.agora = [] { return QDateTime(QDate(2026, 3, 10), QTime(9, 5, 7)); };
        ctx.dirTrabalho = [] { return QStringLiteral("c:\\workdir\\"); };
        ctx.barra = [this](int p) { barra = p; };
    }
    QString stDirArqSV = "c:\\svnupdate";
    bool escolhida = false;
    int barra = -1;
    qor::RecordSet cdsOperDesenv, cdsParamVersao;
    workcopy::WorkCopyContext ctx;
};

class RealRepair : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        bench = std::make_unique<Bench>(GetParam());
        janela = std::make_unique<Janela>(*bench);
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("trunk/fontes/forms"), bench->repo("outro")});
        bench->svn({"checkout", bench->repo("trunk"), bench->host("c:\\outra")});
        bench->write("c:\\outra\\fontes\\Unit1.pas", "unit Unit1;\n");
        bench->svn({"add", bench->host("c:\\outra\\fontes\\Unit1.pas")});
        bench->svn({"commit", "-m", "SOL:1 x", bench->host("c:\\outra")});
        bench->svn({"checkout", bench->repo("trunk"), bench->host("c:\\prod\\p1")});
        janela->cdsParamVersao.setData(Packet({"CDARVPROD", "NMPRODUTO", "DSDIRVSS", "DSDIRBASEVER"},
                                              {{"01.01", "Produto Um", "", ""}}));
        bench->remote.answers["GetParamProdSVN"] =
            Packet({"CDPRODUTO", "DSDIRVSS", "DSDIRBASEVER", "DTATUPRODSUBVER"},
                   {{"P401", "/" + bench->area + "/trunk", "c:\\prod\\p1", "2026-03-01T10:00:00"}});
        janela->ctx.raizRepositorio = DavServer::instance().url;
    }
    QString out() const { return bench->progresso.join('\n'); }
    void commitElsewhere(const QByteArray &text)
    {
        bench->write("c:\\outra\\fontes\\Unit1.pas", text);
        bench->svn({"commit", "-m", "SOL:2 y", bench->host("c:\\outra")});
    }
    std::unique_ptr<Bench> bench;
    std::unique_ptr<Janela> janela;
};

}

TEST_P(RealRepair, AConflictIsResolvedWithTheLocalFileAndALockedCopyCleanedUp)
{
    bench->write("c:\\prod\\p1\\fontes\\Unit1.pas", "local\n");
    commitElsewhere("remota\n");
    bench->svn({"update", "--accept", "postpone", bench->host("c:\\prod\\p1")});
    ASSERT_TRUE(bench->svn({"status", bench->host("c:\\prod\\p1")}).contains("C "));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", bench->area);
        db.setDatabaseName(bench->host("c:\\prod\\p1") + "/.svn/wc.db");
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("INSERT INTO wc_lock (wc_id, local_dir_relpath, locked_levels) VALUES (1, '', -1)");
        db.close();
    }
    QSqlDatabase::removeDatabase(bench->area);
    OperacoesProduto(janela->ctx).ClicaPopMenu("&Produto Um");
    EXPECT_EQ(ReadAll(bench->host("c:\\prod\\p1\\fontes\\Unit1.pas")), "local\n") << out().toStdString();
    EXPECT_FALSE(bench->svn({"status", bench->host("c:\\prod\\p1")}).contains("C ")) << out().toStdString();
    EXPECT_EQ(janela->barra, 1000000);
    EXPECT_FALSE(bench->fluxo.modulo().boOperaSubversion);
    EXPECT_FALSE(out().contains(kPass));
    workcopy::ArquivoControle controle(bench->paths);
    ASSERT_TRUE(controle.carrega("c:\\svnupdate\\svnupdate_workdir.cds"));
    EXPECT_TRUE(controle.localiza("P401"));
    EXPECT_EQ(bench->dialogs->shown.at(0).text, workcopy::Msg("CONFIRMA_UPDATE_VERSAO") + " Produto Um");
}

TEST_P(RealRepair, ACopyOfAnotherLocationIsMovedAsideAndAMissingOneCheckedOut)
{
    bench->svn({"checkout", bench->repo("outro"), bench->host("c:\\prod\\p2")});
    bench->remote.answers["GetParamProdSVN"] = Packet(
        {"CDPRODUTO", "DSDIRVSS", "DSDIRBASEVER", "DTATUPRODSUBVER"},
        {{"P401", "/" + bench->area + "/trunk;/" + bench->area + "/trunk/fontes", "c:\\prod\\p2;c:\\prod\\p3",
          "2026-03-01T10:00:00"}});
    OperacoesProduto(janela->ctx).ClicaPopMenu("Produto Um");
    const QString aside = OperacoesProduto::NomeAfastado("c:\\prod\\p2", janela->ctx.agora(), bench->repo("outro"));
    EXPECT_TRUE(aside.startsWith("c:\\prod\\p2 - 10-03-2026-09-05 - http-"));
    EXPECT_FALSE(aside.contains("/"));
    EXPECT_TRUE(QFileInfo(bench->host("c:\\prod") + "/" + aside.mid(8) + "/.svn").isDir()) << out().toStdString();
    EXPECT_TRUE(QFileInfo::exists(bench->host("c:\\prod\\p2\\fontes\\Unit1.pas"))) << out().toStdString();
    EXPECT_TRUE(QFileInfo::exists(bench->host("c:\\prod\\p3\\Unit1.pas"))) << out().toStdString();
    EXPECT_TRUE(out().contains(workcopy::MsgF("Ren_Ok", {aside})));
    EXPECT_EQ(OperacoesProduto::NomeAfastado("c:\\x\\", janela->ctx.agora(), ""),
              "c:\\x - 10-03-2026-09-05 - sem controle subversion");
}

TEST_P(RealRepair, UnversionedDirectoriesAreRenamedAroundTheUpdateAndAFailedRestoreIsLogged)
{
    janela->ctx.fluxo.setPlataforma(vcs::PlataformaProduto::ProdutoLumetra);
    QDir().mkpath(bench->host("c:\\prod\\p1\\fontes\\novo\\dentro"));
    QDir().mkpath(bench->host("c:\\prod\\p1\\cache"));
    // The update brings a directory of that name: the local one could not go back.
    bench->svn({"mkdir", "-m", "SOL:3 cache", bench->repo("trunk/cache")});
    OperacoesProduto(janela->ctx).ClicaPopMenu("Produto Um");
    EXPECT_TRUE(QFileInfo(bench->host("c:\\prod\\p1\\fontes\\novo\\dentro")).isDir()) << out().toStdString()
        << ReadAll(bench->host("c:\\workdir") + "/Diretorios_Nao_Renomeados_Apos_Get_2026-03-10-09-05-07.txt").toStdString();
    EXPECT_TRUE(QFileInfo(bench->host("c:\\prod\\p1\\cache\\.svn")).exists() ||
                QFileInfo(bench->host("c:\\prod\\p1\\cache")).isDir());
    const QString kept = "c:\\prod\\p1\\cache_APR_NO_SVN_2026-03-10-09-05-07";
    EXPECT_TRUE(QFileInfo(bench->host("c:\\prod\\p1") + "/cache_APR_NO_SVN_2026-03-10-09-05-07").isDir())
        << out().toStdString();
    EXPECT_TRUE(out().contains(workcopy::Msg("NO_RENAME"))) << out().toStdString();
    EXPECT_TRUE(bench->progresso.contains(kept)) << out().toStdString();
    const QString log = ReadAll(bench->host("c:\\workdir") + "/Diretorios_Nao_Renomeados_Apos_Get_2026-03-10-09-05-07.txt");
    EXPECT_TRUE(log.startsWith(workcopy::Formata(workcopy::Msg("RENAME_ERROR"), {kept, "c:\\prod\\p1\\cache", ""}).left(40)))
        << log.toStdString();
    EXPECT_TRUE(out().contains(workcopy::Msg("RENAME_LOG") + " c:\\workdir\\Diretorios_Nao_Renomeados_Apos_Get_"));
}

TEST_P(RealRepair, TheBulkAnswerRenamesWhatThePerDirectoryWayRenames)
{
    for (const char *d : {"fontes\\novo\\a", "fontes\\novo\\b", "relatorios\\x", "fontes\\forms\\tmp"})
        QDir().mkpath(bench->host(QString("c:\\prod\\p1\\") + d));
    auto renamed = [&](bool porDiretorio) {
        RenomeiaDiretorios renomeia(janela->ctx);
        renomeia.setPorDiretorio(porDiretorio);
        renomeia.RenomeiaDirSemSVN_AntesGet("c:\\prod\\p1");
        QStringList names = bench->dirRenomeados;
        renomeia.RenomeiaDirSemSVN_DepoisGet();
        return std::make_pair(names, renomeia.perguntasInfo());
    };
    const auto [bulk, bulkQuestions] = renamed(false);
    const auto [each, eachQuestions] = renamed(true);
    EXPECT_EQ(bulk, each);
    EXPECT_EQ(bulk.size(), 3) << bulk.join('\n').toStdString();
    EXPECT_TRUE(bulk.contains("c:\\prod\\p1\\fontes\\novo_APR_NO_SVN_2026-03-10-09-05-07"));
    EXPECT_EQ(bulkQuestions, 0);
    EXPECT_EQ(eachQuestions, 5);
    EXPECT_TRUE(QFileInfo(bench->host("c:\\prod\\p1\\fontes\\novo\\b")).isDir());
}

TEST_P(RealRepair, AFileWhoseCaseChangedOnDiskGetsItsNameBack)
{
    QFile::rename(bench->host("c:\\prod\\p1\\fontes") + "/Unit1.pas", bench->host("c:\\prod\\p1\\fontes") + "/UNIT1.PAS");
    OperacoesProduto(janela->ctx).Renomeia_Arq("c:\\prod\\p1\\fontes\\unit1.pas");
    EXPECT_TRUE(QFileInfo::exists(bench->host("c:\\prod\\p1\\fontes") + "/Unit1.pas")) << out().toStdString();
    EXPECT_FALSE(QFileInfo::exists(bench->host("c:\\prod\\p1\\fontes") + "/UNIT1.PAS"));
}

INSTANTIATE_TEST_SUITE_P(Languages, RealRepair, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

TEST(SemRetorno, ThreeEmptyRoundsEndTheRenamingAndYesNoDecide)
{
    Bench bench;
    Janela janela(bench);
    QDir().mkpath(bench.host("c:\\p\\a"));
    QDir().mkpath(bench.host("c:\\p\\b"));
    QTemporaryDir bin;
    QFile script(bin.path() + "/svn");
    script.open(QIODevice::WriteOnly);
    script.write("#!/bin/sh\n[ \"$1\" = --version ] && echo 1.14.2\nexit 0\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (bin.path() + ":").toLocal8Bit() + path);
    struct Restore { QByteArray path; ~Restore() { qputenv("PATH", path); } } restore{path};
    // "a": Retry three times, then the whole renaming ends; "b" is never looked at.
    for (int i = 0; i < 3; ++i)
        bench.dialogs->answer(2);
    RenomeiaDiretorios renomeia(janela.ctx);
    renomeia.RenomeiaDirSemSVN_AntesGet("c:\\p");
    EXPECT_EQ(renomeia.perguntasInfo(), 9 + 0);
    EXPECT_EQ(bench.dialogs->shown.size(), 3u);
    EXPECT_TRUE(bench.dirRenomeados.isEmpty());
    EXPECT_TRUE(QFileInfo(bench.host("c:\\p\\b")).isDir());
    // Yes renames "a", No keeps "b".
    bench.dialogs->answer(0);
    bench.dialogs->answer(1);
    RenomeiaDiretorios outra(janela.ctx);
    outra.RenomeiaDirSemSVN_AntesGet("c:\\p");
    EXPECT_EQ(bench.dirRenomeados, QStringList{"c:\\p\\a_APR_NO_SVN_2026-03-10-09-05-07"});
    EXPECT_TRUE(QFileInfo(bench.host("c:\\p\\b")).isDir());
}
