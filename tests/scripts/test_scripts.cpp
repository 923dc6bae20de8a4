// The patch-script window on a real directory tree: the base-directory forms,
// the file list and Ctrl+A with their masks, include/remove and what reaches
// the server's patch on confirmation.
#include "host/dialogs.h"
#include "plantestsupport.h"
#include "scripts/scriptvars.h"
#include "scripts/selscripts.h"
#include "server/connectionuses.h"
#include "server/netconnection.h"
#include "server/netremoteserver.h"
#include "serverprocess.h"
#include "vcs/drive.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace scripts;

namespace {

const QString kRequest = "0000012001";
const QString kSeeded = "\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_001.sql";

// The product's working copy on drive C: files that the masks take and some they leave.
class Drive {
public:
    Drive()
    {
        for (const char *file : {"sistemas/prod/P401/Pkg_P401.dpk", "sistemas/prod/P401/_abc.dpk",
                                 "sistemas/prod/P401/abc.dpr", "sistemas/prod/P401/abc_.dpr",
                                 "sistemas/prod/P401/projeto1.dpr", "sistemas/prod/P401/uP401.pas",
                                 "sistemas/prod/P401/fontes/Pkg_fontes.dpk", "sistemas/prod/P401/fontes/uCad.pas",
                                 "sistemas/prod/P401/fontes/rel.qr2", "sistemas/prod/P401/fontes/abc.cds",
                                 "sistemas/prod/P401/sql/atualiza_bd/P401_001.sql",
                                 "sistemas/prod/P401/sql/atualiza_bd/P401_002.sql",
                                 "sistemas/prod/P401/sql/atualiza_bd/leia-me.txt",
                                 "sistemas/prod/P401/sql/atualiza_bd/Ação d'água \"v2\".sql",
                                 "sistemas/prod/P4010/outro.sql", "dados/x/y.sql"})
            touch(file);
        paths.setRoot(u'c', dir.path());
        paths.setRoot(u'd', dir.path() + "/dados");
    }
    void touch(const QString &relative) const
    {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write("--\n");
    }
    QTemporaryDir dir;
    vcs::PathMap paths;
};


struct Link {
    server::TNetConnection connection;
    server::ConnectionUses uses;
    server::NetRemoteServer remote{connection, uses};
};

void setActivity(const QString &processo)
{
    ScriptVars &vars = Scripts();
    vars = ScriptVars{};
    vars.stCdFilial = "0001";
    vars.stNrSoliServ = kRequest;
    vars.stCdProdGrup = "P401";
    vars.stCdProcesso = processo;
}

class ScriptDialog : public ::testing::Test {
protected:
    // A fresh server per test: each one changes the patch.
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(m_server.start(QStringLiteral(APR_SERVER_BIN)), "apr-server", m_server.why());
        link.connection.Host = m_server.host();
        link.connection.Port = m_server.port();
        link.connection.Token = m_server.token();
        plantest::UseTestSession();
        setActivity("0000011045");
    }
    std::unique_ptr<TfrmSelScripts> open()
    {
        return std::make_unique<TfrmSelScripts>(ScriptsContext{link.remote, &sql, drive.paths});
    }
    QStringList patch()
    {
        qor::RecordSet versao, files;
        link.remote.load(versao, "GetVersao", {kRequest, "0001"});
        const QJsonValue phase = server::Date(versao.fieldByName("DTALFASETRAM").asDateTime());
        link.remote.load(files, "GetArquivosPatch", {"0001", kRequest, phase});
        QStringList names;
        for (int row = 0; row < files.recordCount(); ++row)
            names << files.textAt("DSARQPATCH", row);
        return names;
    }
    testsupport::ServerProcess m_server;
    Drive drive;
    Link link;
    qor::RecordSet sql{QStringLiteral("cdsArquivosSQL")};
    qor::ScopedScriptedDialogs dialogs;
};

// A server that answers GetVersao with a base directory and InsPatchTram from a list.
struct FakeServer : plantest::RecordingServer {
    explicit FakeServer(const QString &base, QStringList inserted = {})
    {
        answerPacket("GetVersao", plantest::Packet(
            QJsonArray{QJsonObject{{"name", "NRSEQPATCH"}, {"type", "string"}, {"size", 40}},
                       QJsonObject{{"name", "DSDIRBASEVER"}, {"type", "string"}, {"size", 30}},
                       QJsonObject{{"name", "DTALFASETRAM"}, {"type", "datetime"}}},
            {{{"NRSEQPATCH", "2"}, {"DSDIRBASEVER", base}, {"DTALFASETRAM", "2026-12-15T00:00:00"}}}));
        answerPacket("GetArquivosPatch", plantest::Packet(
            QJsonArray{QJsonObject{{"name", "DSARQPATCH"}, {"type", "string"}, {"size", 250}}}, {}));
        answer("InsPatchTram", [inserted](const QJsonArray &) mutable {
            qor::RemoteResult r;
            r.outputs = QJsonArray{QJsonArray{inserted.isEmpty() ? "True" : inserted.takeFirst()}};
            return r;
        });
        answer("DelPatchTram", [](const QJsonArray &) { return qor::RemoteResult{}; });
    }
};

}

TEST(ScriptRules, DriveAndModellingDirectoryForms)
{
    EXPECT_EQ(vcs::ComUnidade("\\sistemas\\prod"), "c:\\sistemas\\prod");
    EXPECT_EQ(vcs::ComUnidade("C:\\sistemas"), "C:\\sistemas");
    EXPECT_EQ(vcs::ComUnidade("d:\\x"), "d:\\x");
    EXPECT_EQ(DiretorioModelagem("\\sistemas\\prod"), "\\sistemas\\prod\\sql\\atualiza_bd");
    EXPECT_EQ(DiretorioModelagem("c:\\p\\"), "c:\\p\\sql\\atualiza_bd");
    EXPECT_EQ(DiretorioModelagem("c:\\p\\fontes;c:\\p\\Sql;c:\\p\\sql2"), "c:\\p\\Sql\\atualiza_bd");
    EXPECT_TRUE(ModoModelagem("0000013015"));
    EXPECT_FALSE(ModoModelagem("0000011045"));
}

TEST_F(ScriptDialog, BaseDirectoryWithUpperCaseDriveOrAnotherDriveIsFound)
{
    for (const QString &base : {QString("C:\\sistemas\\prod\\P401"), QString("\\sistemas\\prod\\P401"),
                                QString("d:\\x")}) {
        FakeServer fake(base);
        TfrmSelScripts dialog(ScriptsContext{fake, &sql, drive.paths});
        EXPECT_EQ(dialog.diretorio(), vcs::ComUnidade(base)) << base.toStdString();
    }
    setActivity("0000011270");
    FakeServer modelling("\\sistemas\\prod\\P401");
    TfrmSelScripts dialog(ScriptsContext{modelling, &sql, drive.paths});
    EXPECT_EQ(dialog.diretorio(), "c:\\sistemas\\prod\\P401\\sql\\atualiza_bd");
    EXPECT_EQ(dialog.windowTitle(), "Selecionar Arquivos de Modelagem de Dados");
    EXPECT_EQ(dialog.arquivosDaLista(), (QStringList{"Ação d'água \"v2\".sql", "P401_001.sql", "P401_002.sql"}));

}

// Without the base directory the window still opens on the patch's files:
// they can be taken off and the change confirmed.
TEST_F(ScriptDialog, AMissingBaseDirectoryOpensTheWindowWithoutATree)
{
    FakeServer missing("\\sistemas\\nada");
    missing.answerPacket("GetArquivosPatch", plantest::Packet(
        QJsonArray{QJsonObject{{"name", "DSARQPATCH"}, {"type", "string"}, {"size", 250}}},
        {{{"DSARQPATCH", kSeeded}}, {{"DSARQPATCH", "\\sistemas\\nada\\Pkg_nada.dpk"}}}));
    std::unique_ptr<TfrmSelScripts> dialog;
    ASSERT_NO_THROW(dialog = std::make_unique<TfrmSelScripts>(ScriptsContext{missing, &sql, drive.paths}));
    EXPECT_EQ(dialogs->texts(), QStringList{ScriptTexts().Msg("Dir_Inv")});
    EXPECT_EQ(dialog->windowTitle(), "Selecionar Arquivos Para Gerar Patch");
    EXPECT_EQ(dialog->diretorio(), "");
    EXPECT_EQ(dialog->dlbDiretorio->count(), 0);
    EXPECT_TRUE(dialog->arquivosDaLista().isEmpty());
    // The tree has nowhere to go; Ctrl+A finds nothing to collect.
    dialog->dlbDiretorioChange("c:\\sistemas\\prod\\P401");
    EXPECT_EQ(dialog->diretorio(), "");
    dialog->ColetaArquivos();
    EXPECT_EQ(dialog->escolhidos().size(), 2);

    EXPECT_TRUE(dialog->sbtConfirma->isEnabled());
    dialog->dbgArquivosDblClick();
    EXPECT_EQ(dialog->removidos(), QStringList{kSeeded});
    dialog->show();
    dialog->sbtConfirmaClick();
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_EQ(missing.callsOf("DelPatchTram").size(), 1u);
    EXPECT_EQ(missing.callsOf("DelPatchTram").front().args.at(2).toString(), kSeeded);
}

TEST_F(ScriptDialog, TreeStaysInsideTheBaseDirectory)
{
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "Selecionar Arquivos Para Gerar Patch");
    dialog->dlbDiretorioChange("c:\\sistemas\\prod\\P401\\fontes");
    EXPECT_EQ(dialog->stDir(), "c:\\sistemas\\prod\\P401\\fontes");
    // "abc.cds" is for Ctrl+A's "???.cds", not for the list's "??????.cds".
    EXPECT_EQ(dialog->arquivosDaLista(), (QStringList{"Pkg_fontes.dpk", "rel.qr2"}));
    // Up past the base, and to a sibling whose name begins like the base's.
    dialog->dlbDiretorioChange("c:\\sistemas\\prod");
    EXPECT_EQ(dialog->diretorio(), "c:\\sistemas\\prod\\P401\\fontes");
    dialog->dlbDiretorioChange("c:\\sistemas\\prod\\P4010");
    EXPECT_EQ(dialog->diretorio(), "c:\\sistemas\\prod\\P401\\fontes");
}

TEST_F(ScriptDialog, AddingTwiceWarnsOnlyWithOneFileSelected)
{
    auto dialog = open();
    // The registered file is shown but not noted as added: it can come again.
    EXPECT_EQ(dialog->escolhidos(), QStringList{kSeeded});
    dialog->flbArquivosDblClick("Pkg_P401.dpk");
    dialog->selecionaArquivos({"Pkg_P401.dpk"});
    EXPECT_FALSE(qor::guarded([&] { dialog->tbtIncluiPatchClick(); }));
    EXPECT_EQ(dialogs->texts().last(), ScriptTexts().Msg("Arq_Cad"));
    dialog->selecionaArquivos({"Pkg_P401.dpk", "projeto1.dpr"});
    const int shown = int(dialogs->shown.size());
    dialog->tbtIncluiPatchClick();
    EXPECT_EQ(int(dialogs->shown.size()), shown);
    EXPECT_EQ(dialog->escolhidos(), (QStringList{kSeeded, "\\sistemas\\prod\\P401\\Pkg_P401.dpk",
                                                 "\\sistemas\\prod\\P401\\projeto1.dpr"}));
    dialog->selecionaArquivos({});
    EXPECT_FALSE(qor::guarded([&] { dialog->tbtIncluiPatchClick(); }));
    EXPECT_EQ(dialogs->texts().last(), ScriptTexts().Msg("Arq_Inf"));
}

TEST_F(ScriptDialog, CtrlACollectsByMaskInOrderSubdirectoriesFirst)
{
    auto dialog = open();
    dialog->tbtTLimpaPatchClick();
    EXPECT_FALSE(dialog->sbtConfirma->isEnabled());
    dialog->ColetaArquivos();
    const QString p = "\\sistemas\\prod\\P401\\";
    EXPECT_EQ(dialog->escolhidos(),
              (QStringList{p + "fontes\\Pkg_fontes.dpk", p + "Pkg_P401.dpk", p + "_abc.dpk", p + "abc_.dpr",
                           p + "abc.dpr", p + "projeto1.dpr", p + "sql\\atualiza_bd\\P401_001.sql",
                           p + "sql\\atualiza_bd\\P401_002.sql", p + "fontes\\abc.cds", p + "fontes\\rel.qr2"}));
    EXPECT_TRUE(dialog->sbtConfirma->isEnabled());
}

TEST_F(ScriptDialog, RemovedAndReAddedStaysRegisteredRemovedGoesOnConfirm)
{
    auto dialog = open();
    dialog->dlbDiretorioChange("c:\\sistemas\\prod\\P401\\sql\\atualiza_bd");
    // Taken off and put back: no deletion.
    dialog->dbgArquivosDblClick();
    EXPECT_EQ(dialog->removidos(), QStringList{kSeeded});
    dialog->flbArquivosDblClick("P401_001.sql");
    EXPECT_TRUE(dialog->removidos().isEmpty());
    dialog->flbArquivosDblClick("Ação d'água \"v2\".sql");
    dialog->sbtConfirmaClick();
    EXPECT_TRUE(Scripts().boArquivoMarcado);
    const QString odd = "\\sistemas\\prod\\P401\\sql\\atualiza_bd\\Ação d'água \"v2\".sql";
    EXPECT_EQ(patch(), (QStringList{kSeeded, odd}));

    // Now both are registered; removing the odd one takes it off the patch.
    auto again = open();
    EXPECT_EQ(again->escolhidos(), (QStringList{kSeeded, odd}));
    again->selecionaEscolhidos({1});
    again->tbtLimpaPatchClick();
    EXPECT_EQ(again->removidos(), QStringList{odd});
    again->sbtConfirmaClick();
    EXPECT_EQ(patch(), QStringList{kSeeded});
}

TEST_F(ScriptDialog, ARegisteredFileShownTwiceAndRemovedOnceStaysOnThePatch)
{
    auto dialog = open();
    dialog->dlbDiretorioChange("c:\\sistemas\\prod\\P401\\sql\\atualiza_bd");
    // The start-up row is not noted as added, so the file comes in a second time.
    dialog->flbArquivosDblClick("P401_001.sql");
    EXPECT_EQ(dialog->escolhidos(), (QStringList{kSeeded, kSeeded}));
    dialog->selecionaEscolhidos({0});
    dialog->tbtLimpaPatchClick();
    EXPECT_EQ(dialog->escolhidos(), QStringList{kSeeded});
    dialog->sbtConfirmaClick();
    EXPECT_EQ(patch(), QStringList{kSeeded});
}

TEST_F(ScriptDialog, SequenceMovesOnlyForFilesTheServerTook)
{
    FakeServer fake("c:\\sistemas\\prod\\P401", {"False", "True", "True"});
    TfrmSelScripts dialog(ScriptsContext{fake, &sql, drive.paths});
    for (const char *name : {"Pkg_P401.dpk", "_abc.dpk", "projeto1.dpr"})
        dialog.flbArquivosDblClick(name);
    dialog.sbtConfirmaClick();
    QStringList sequences;
    for (const plantest::Call &call : fake.callsOf("InsPatchTram"))
        sequences << call.args.at(2).toString();
    EXPECT_EQ(sequences, (QStringList{"002", "002", "003"}));
    EXPECT_TRUE(fake.callsOf("DelPatchTram").empty());
    EXPECT_EQ(fake.uses, 0);
}

TEST_F(ScriptDialog, ClosingChecksOfBothModes)
{
    // Patch mode: "Não" keeps the window, "Sim" clears the mark.
    Scripts().boArquivoMarcado = true;
    auto dialog = open();
    dialog->show();
    dialogs->answer(1);
    dialog->sbtCancelClick();
    EXPECT_TRUE(dialog->isVisible());
    dialogs->answer(0);
    dialog->sbtCancelClick();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(Scripts().boArquivoMarcado);

    // Data-modelling mode: no script on the phase yet keeps the window open.
    setActivity("0000011270");
    auto modelling = open();
    modelling->show();
    modelling->tbtTLimpaPatchClick();
    modelling->flbArquivosDblClick("P401_002.sql");
    modelling->sbtConfirmaClick();
    EXPECT_FALSE(modelling->isVisible());
    EXPECT_EQ(sql.recordCount(), 1);
    EXPECT_EQ(sql.textAt("NMFILE", 0), "\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_002.sql");
}

TEST_F(ScriptDialog, ModellingCloseWithoutScriptIsRefusedUntilCancel)
{
    setActivity("0000011270");
    // Take the seeded modelling script off the patch of the current phase.
    auto patchMode = [&] {
        setActivity("0000011045");
        auto d = open();
        d->tbtTLimpaPatchClick();
        d->flbArquivosDblClick("Pkg_P401.dpk");
        d->sbtConfirmaClick();
        setActivity("0000011270");
    };
    patchMode();
    auto dialog = open();
    dialog->show();
    dialog->done(QDialog::Rejected);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialogs->texts().last(), ScriptTexts().Msg("Script_Inf"));
    dialog->sbtCancelClick();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(Scripts().boFechar_Sem_Salvar);
}

TEST_F(ScriptDialog, CreatorShowsTheWindowModallyOnce)
{
    int opened = 0;
    dialogs->onModal = [&](QDialog &d) {
        ++opened;
        auto &window = dynamic_cast<TfrmSelScripts &>(d);
        EXPECT_TRUE(Scripts().boStCriado);
        // A second call while it is open does nothing.
        CriaAnexoScript(ScriptsContext{link.remote, &sql, drive.paths}, "0001", kRequest, "P401", "0000011045");
        EXPECT_EQ(window.escolhidos(), QStringList{kSeeded});
        return int(QDialog::Rejected);
    };
    CriaAnexoScript(ScriptsContext{link.remote, &sql, drive.paths}, "0001", kRequest, "P401", "0000011045");
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(Scripts().boStCriado);
    EXPECT_EQ(Scripts().stCdProdGrup, "P401");
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
