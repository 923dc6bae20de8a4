// The log viewer against a real repository over Apache + mod_dav_svn, with a
// history built from a dump: a branch, a copy, a revision without a message,
// one without an author, accented authors; in both languages of the client.
#include "logdump.h"
#include "history/frmshowhistory.h"
#include "history/selarquivo.h"
#include "host/abort.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "server/remote.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include "testsupport/realcomponent.h"
#include <gtest/gtest.h>
#include <unistd.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *out) { *out << '[' << list.join("|").toStdString() << ']'; }
QT_END_NAMESPACE

namespace {

const QString kUser = "svn_hist", kPass = "H1st-s3nha";
const QString kFile = "fontes/u.pas";
const QString kCalcFile = "fontes/calc.pas";
const QString kCalcMessage = QString("SOL:1002 corrige o cálculo & o total < 100");
const QString kHead = "9";

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeFile(const QString &path, const QByteArray &text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    file.close();
    if (executable) file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QByteArray dump()
{
    using logdump::Dump;
    Dump d;
    d.revision(QString("josé"), QString("Criação do fonte"), "2024-01-10T09:00:00.000000Z")
        .addDir("trunk").addDir("branches").addDir("trunk/fontes").addFile("trunk/" + kFile, "v1\n");
    d.revision(QString("joão"), QString("Segunda versão"), "2024-01-11T09:00:00.000000Z")
        .changeFile("trunk/" + kFile, "v2\n");
    d.revision(QString("ana"), std::nullopt, "2024-01-12T09:00:00.000000Z").changeFile("trunk/" + kFile, "v3\n");
    d.revision(QString("ana"), QString("ramo b1"), "2024-01-13T09:00:00.000000Z").copyDir("branches/b1", 3, "trunk");
    d.revision(std::nullopt, QString("no ramo"), "2024-01-14T09:00:00.000000Z")
        .changeFile("branches/b1/" + kFile, "b5\n");
    // Committed later than r5 by number, earlier by its clock.
    d.revision(QString("maria"), QString("Sexta & última"), "2024-01-11T15:00:00.000000Z")
        .changeFile("trunk/" + kFile, "v6\n");
    d.revision(QString("ana"), QString("ramo de novo"), "2024-01-15T09:00:00.000000Z")
        .changeFile("branches/b1/" + kFile, "b7\n");
    return d.data();
}

// Apache with the loaded repository, and every svn started recording its arguments.
class Repository : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(base.isValid());
        QFile::setPermissions(base.path(), QFile::permissions(base.path()) | QFile::ReadOther | QFile::ExeOther
                                               | QFile::ReadGroup | QFile::ExeGroup);
        const int port = 20000 + int((getpid() + 7919) % 20000);
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(DAVSERVER, {"start", base.path() + "/dav", QString::number(port), "-"});
        tool.write((kUser + ":" + kPass + "\n").toUtf8());
        tool.closeWriteChannel();
        const bool finished = tool.waitForFinished(60000);
        const QString out = QString::fromUtf8(tool.readAll()).trimmed();
        APR_REQUIRE_COMPONENT(finished && tool.exitCode() == 0, "Apache with mod_dav_svn", out);
        url = out.split('\n').last();
        QProcess load;
        load.setProcessChannelMode(QProcess::MergedChannels);
        load.start("svnadmin", {"load", "-q", base.path() + "/dav/repo"});
        load.write(dump());
        load.closeWriteChannel();
        ASSERT_TRUE(load.waitForFinished(60000));
        ASSERT_EQ(load.exitCode(), 0) << load.readAll().toStdString();
        giveRepositoryToTheServer();
        commitTwoInOneSecond();

        const QString bin = base.path() + "/bin";
        argumentLog = base.path() + "/svn-arguments.log";
        const QString real = QStandardPaths::findExecutable("svn");
        APR_REQUIRE_COMPONENT(!real.isEmpty(), "svn", "not found on the search path");
        writeFile(bin + "/svn", ("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + argumentLog + "'\nexec '" + real
                                 + "' \"$@\"\n").toUtf8(), true);
        qputenv("PATH", (bin + ":").toLocal8Bit() + qgetenv("PATH"));
    }
    void TearDown() override { QProcess::execute(DAVSERVER, {"stop", base.path() + "/dav"}); }

    void giveRepositoryToTheServer()
    {
        if (getuid() == 0)
            QProcess::execute("chown", {"-R", "-L", "www-data:www-data", QFileInfo(base.path() + "/dav/repo").canonicalFilePath()});
    }
    QString svn(QStringList args)
    {
        QProcess svn;
        svn.setProcessChannelMode(QProcess::MergedChannels);
        svn.start("svn", args << "--non-interactive" << "--no-auth-cache" << "--username" << kUser << "--password-from-stdin");
        svn.write((kPass + "\n").toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll());
    }
    // Two commits of the real client, r8 and r9, given the same second (a
    // moment's commits often share one), r9's message with "&", "<" and an accent.
    void commitTwoInOneSecond()
    {
        const QString wc = base.path() + "/commit-wc";
        svn({"checkout", "-q", url + "/trunk", wc});
        writeFile(wc + "/" + kCalcFile, "procedure Calcula;\n");
        QProcess::execute("svn", {"add", "-q", wc + "/" + kCalcFile});
        const QString first = svn({"commit", "-m", "SOL:1001 inclui Calcula", wc});
        writeFile(wc + "/" + kCalcFile, "procedure Calcula;\nbegin\nend;\n");
        const QString second = svn({"commit", "-m", kCalcMessage, wc});
        ASSERT_TRUE(first.contains("8") && second.contains("9")) << (first + second).toStdString();
        for (const auto &[revision, date] : {std::pair{"8", "2024-01-16T09:00:00.250000Z"},
                                             std::pair{"9", "2024-01-16T09:00:00.750000Z"}}) {
            writeFile(base.path() + "/date", date);
            ASSERT_EQ(QProcess::execute("svnadmin", {"setrevprop", base.path() + "/dav/repo", "-r", revision, "svn:date",
                                                     base.path() + "/date"}), 0);
        }
        giveRepositoryToTheServer();
    }

    QTemporaryDir base;
    QString url;
    QString argumentLog;
};

Repository *g_repo = nullptr;

// The application server's answer to GetProdAtual: the current copy's base directory.
class ProductServer : public server::RemoteServer {
public:
    void acquire() override { ++uses; }
    void release() override { --uses; }
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) override
    {
        calls << method + QJsonDocumentText(args);
        qor::RemoteResult result;
        result.value = QJsonObject{
            {"fields", QJsonArray{QJsonObject{{"name", "DSDIRBASEVER"}, {"type", "string"}, {"size", 250}}}},
            {"rows", QJsonArray{QJsonArray{baseDir}}}};
        return result;
    }
    static QString QJsonDocumentText(const QJsonArray &args) { return QString::number(args.at(0).toInt()); }
    QString baseDir = "\\sistemas";
    QStringList calls;
    int uses = 0;
};

class History : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(drive.isValid());
        qor::SetSession(qor::Session{});
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LANG", GetParam());
        environment.insert("LC_ALL", GetParam());
        environment.remove("LANGUAGE");
        toolLog = drive.path() + "/tool.log";
        // The recording comparison tool: its arguments and both files, nothing on its output.
        writeFile(drive.path() + "/f/CALBREX/Sistemas/Bin/exec_diff_svn.bat",
                  ("#!/bin/sh\n{ printf 'ARGS %s\\n' \"$*\"; eval \"l=\\${$(($#-1))}\"; eval \"r=\\${$#}\";"
                   " printf 'LEFT '; cat \"$l\"; printf 'RIGHT '; cat \"$r\"; } > '" + toolLog + ".part'\n"
                   "mv '" + toolLog + ".part' '" + toolLog + "'\n").toUtf8(), true);
        checkout("trunk", "sistemas/prod/p401");
        checkout("trunk", "sist2023/prod/p401");
        checkout("branches/b1", "workfolder/v_1234/p401");
        window = std::make_unique<history::TfrmShowHistory>(context());
        window->paths().setRoot('C', drive.path() + "/c");
        window->paths().setRoot('F', drive.path() + "/f");
        window->runner().runner().setEnvironment(environment);
    }
    void TearDown() override
    {
        window.reset();
        const QString arguments = readAll(g_repo->argumentLog);
        EXPECT_TRUE(arguments.contains("--password-from-stdin"));
        EXPECT_FALSE(arguments.contains(kPass)) << "password among a child's arguments";
        EXPECT_FALSE(shown().contains(kPass)) << "password shown";
    }

    history::HistoryContext context()
    {
        history::HistoryContext c;
        c.usuario = kUser;
        c.senha = kPass;
        c.plataforma = vcs::PlataformaProduto::Delphi;
        c.server = &server;
        return c;
    }
    QString host(const QString &rel) const { return drive.path() + "/c/" + rel; }
    void checkout(const QString &from, const QString &to)
    {
        QProcess svn;
        svn.start("svn", {"checkout", "-q", "--non-interactive", "--no-auth-cache", "--username", kUser,
                          "--password-from-stdin", g_repo->url + "/" + from, host(to)});
        svn.write((kPass + "\n").toUtf8());
        svn.closeWriteChannel();
        svn.waitForFinished(60000);
        ASSERT_TRUE(QFileInfo::exists(host(to) + "/" + kFile)) << svn.readAll().toStdString();
    }
    QString svnInfo(const QString &rel, const QString &item)
    {
        QProcess svn;
        svn.start("svn", {"info", "--show-item", item, host(rel)});
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll()).trimmed();
    }
    QString status(const QString &rel)
    {
        QProcess svn;
        svn.start("svn", {"status", "-q", host(rel)});
        svn.waitForFinished(60000);
        return QString::fromUtf8(svn.readAll()).trimmed();
    }
    // Picks c:\REL in the file dialog as the operator would type it; "" cancels.
    void choose(const QString &rel)
    {
        dialogs->onModal = [this, rel](QDialog &dialog) {
            auto *picker = qobject_cast<history::TfrmSelArquivo *>(&dialog);
            if (!picker) return int(QDialog::Rejected);
            opened << picker->pasta();
            if (rel.isEmpty()) return int(QDialog::Rejected);
            picker->edtNome->setText("c:\\" + QString(rel).replace('/', '\\'));
            picker->confirma();
            return picker->result();
        };
        run([this] { window->sbtPesqArqClick(); });
    }
    // The message an action ended with; "" when it ran to its end, "<silent>" for the silent end.
    QString run(const std::function<void()> &action)
    {
        try {
            action();
        } catch (const qor::EAbort &abort) {
            return abort.isSilent() ? "<silent>" : abort.message();
        }
        return {};
    }
    QStringList column(const QString &field)
    {
        QStringList out;
        for (int i = 0; i < window->cdsPadrao.recordCount(); ++i) out << window->cdsPadrao.textAt(field, i);
        return out;
    }
    bool goTo(const QString &revision) { return window->cdsPadrao.locate("REVISION", {revision}); }
    QString shown() const
    {
        QStringList lines;
        if (!window) return {};
        for (QListWidget *list : {window->lsbProgresso, window->lsbAux, window->lsbDiff})
            for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
        return lines.join('\n');
    }
    // The comparison tool ends on its own after svn started it; a generous wait.
    QString toolRecord()
    {
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(toolLog) && clock.elapsed() < 60000) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        return readAll(toolLog);
    }
    // What was said to the operator, without the windows opened.
    QStringList messages() const
    {
        QStringList out;
        for (const qor::DialogRequest &r : dialogs->shown)
            if (r.kind != qor::DialogRequest::Modal) out << r.text;
        return out;
    }
    QString text(const char *key) const { return history::TfrmShowHistory::Textos().Msg(key); }
    QStringList tmpEntries() const
    {
        return QDir(drive.path() + "/c/tmplogdir").entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    }

    qor::ScopedScriptedDialogs dialogs;
    QTemporaryDir drive;
    QProcessEnvironment environment;
    ProductServer server;
    QString toolLog;
    std::unique_ptr<history::TfrmShowHistory> window;
    QStringList opened;   // the folder the file dialog showed, each time
};

}

TEST_P(History, ShowsTheLogNewestFirstEachEntryWithItsOwnElements)
{
    choose("sistemas/prod/p401/" + kFile);
    EXPECT_EQ(window->edtDir->text(), "c:\\sistemas\\prod\\p401\\fontes\\u.pas");
    EXPECT_EQ(opened, QStringList{"c:\\"}) << "the dialog shows the logical drive, not the host directory";
    EXPECT_EQ(dialogs->shown.back().title, "Selecionar Arquivos para Show Log");
    EXPECT_TRUE(window->stUrl.endsWith("/trunk/fontes/u.pas")) << window->stUrl.toStdString();
    // svn prints 6, 3, 2, 1; revision 6 carries an earlier time than 3.
    EXPECT_EQ(column("REVISION"), (QStringList{"3", "6", "2", "1"}));
    EXPECT_EQ(column("AUTHOR"), (QStringList{"ana", "maria", "joão", "josé"}));
    EXPECT_EQ(column("MSG"), (QStringList{"", "Sexta & última", "Segunda versão", "Criação do fonte"}));
    EXPECT_EQ(column("DATE").first(), "12/01/2024  09:00:00");
    EXPECT_TRUE(window->btnUltimaVer->isEnabled());
    EXPECT_FALSE(shown().contains("<logentry")) << "the XML log is not shown";

    // The branch follows its copy back into the trunk; the entry without author stays without.
    choose("workfolder/v_1234/p401/" + kFile);
    EXPECT_EQ(column("REVISION"), (QStringList{"7", "5", "4", "3", "2", "1"}));
    EXPECT_EQ(column("AUTHOR")[1], "");
    EXPECT_EQ(column("MSG")[1], "no ramo");

    // Cancelling the file dialog empties the log; the dialog opened where the last file was.
    choose("");
    EXPECT_EQ(opened.last(), "c:\\workfolder\\v_1234\\p401\\fontes");
    EXPECT_EQ(window->cdsPadrao.recordCount(), 0);
    EXPECT_FALSE(window->btnUltimaVer->isEnabled());
    EXPECT_TRUE(window->edtDir->text().isEmpty());
}

TEST_P(History, ShowsEveryRevisionOfTheSameSecondWithItsMessageAsTyped)
{
    choose("sistemas/prod/p401/" + kCalcFile);
    EXPECT_EQ(column("REVISION"), (QStringList{"9", "8"}));
    EXPECT_EQ(column("DATE"), (QStringList{"16/01/2024  09:00:00", "16/01/2024  09:00:00"}));
    EXPECT_EQ(column("MSG"), (QStringList{kCalcMessage, "SOL:1001 inclui Calcula"}));
    EXPECT_EQ(column("AUTHOR"), (QStringList{kUser, kUser}));
}

TEST_P(History, AFileOutsideAWorkingCopyIsRefused)
{
    writeFile(host("solto/x.pas"), "x\n");
    choose("solto/x.pas");
    EXPECT_EQ(messages(), QStringList{vcs::Recognition::logViewer().text("ERRO_GERAL")});
    EXPECT_EQ(window->cdsPadrao.recordCount(), 0);
}

TEST_P(History, ComparesTwoRevisionsAfterItsChecksInOrder)
{
    choose("sistemas/prod/p401/" + kFile);
    const QString path = window->edtDir->text();
    auto compare = [&](const QString &v1, const QString &v2) {
        window->edtVerComp1->setText(v1);
        window->edtVerComp2->setText(v2);
        return run([this] { window->btnDIffComp2VerClick(); });
    };
    EXPECT_EQ(compare("", ""), text("VER1_INF"));
    EXPECT_EQ(compare("99", ""), text("VER1_EXI").replace("%s", path));
    EXPECT_EQ(compare("2", ""), text("VER2_INF"));
    EXPECT_EQ(compare("2", "98"), text("VER2_EXI").replace("%s", path));
    EXPECT_EQ(compare("2", "2"), text("NOT_IGUAL"));
    EXPECT_FALSE(QFileInfo::exists(toolLog)) << "no comparison ran";

    // Through the default tool path of the path layer (F:), ended at the client's first output.
    EXPECT_EQ(compare("1", "3"), "<silent>");
    EXPECT_EQ(window->cdsPadrao.textOf("REVISION"), "3") << "looking a version up moves the row";
    const QString record = toolRecord();
    EXPECT_TRUE(record.contains("LEFT v1\nRIGHT v3")) << record.toStdString();
    EXPECT_TRUE(record.contains("-L")) << record.toStdString();
}

TEST_P(History, ComparesARowWithTheWorkingFile)
{
    choose("sistemas/prod/p401/" + kFile);
    writeFile(host("sistemas/prod/p401/" + kFile), "local\n");
    ASSERT_TRUE(goTo("2"));
    EXPECT_EQ(run([this] { window->Diff1Click(); }), "<silent>");
    EXPECT_TRUE(toolRecord().contains("LEFT v2\nRIGHT local")) << readAll(toolLog).toStdString();

    // No difference: svn prints nothing, and the viewer says so.
    writeFile(host("sistemas/prod/p401/" + kFile), "v6\n");
    QFile::remove(toolLog);
    ASSERT_TRUE(goTo("6"));
    EXPECT_EQ(run([this] { window->Diff1Click(); }), "<silent>");
    EXPECT_TRUE(dialogs->texts().contains(vcs::Recognition::logViewer().text("FILE_IGUAL")))
        << dialogs->texts().join('\n').toStdString();
}

TEST_P(History, RetrievesARevisionInPlaceAndBringsTheNewestBack)
{
    const QString rel = "sistemas/prod/p401/" + kFile;
    choose(rel);
    ASSERT_TRUE(goTo("2"));
    // Cancelled at the question: nothing on disk changes, nothing runs.
    dialogs->answer(1);
    const QString before = readAll(g_repo->argumentLog);
    EXPECT_EQ(run([this] { window->GETClick(); }), "");
    EXPECT_EQ(readAll(g_repo->argumentLog), before);
    EXPECT_EQ(readAll(host(rel)), "v6\n");
    const QString question = dialogs->shown.back().text;
    EXPECT_TRUE(question.contains("u.pas") && question.contains("revisão 2") && question.contains("11/01/2024  09:00:00")
                && question.contains("joão")) << question.toStdString();

    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host(rel)), "v2\n");
    EXPECT_EQ(svnInfo(rel, "last-changed-revision"), "2") << "the file's recorded revision is the one retrieved";
    EXPECT_EQ(server.calls, QStringList{"GetProdAtual0"});
    EXPECT_EQ(server.uses, 0);
    EXPECT_TRUE(tmpEntries().isEmpty()) << tmpEntries().join(' ').toStdString();
    EXPECT_EQ(window->cdsPadrao.recordCount(), 4) << "the log is loaded again";

    EXPECT_EQ(run([this] { window->btnUltimaVerClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host(rel)), "v6\n");
    EXPECT_TRUE(shown().contains(text("ACAO_SUBVERSION_ATUAARQ") + "u.pas para a versão mais atual."));
}

TEST_P(History, RetrievesABranchRevisionOfAVersionFolderByExport)
{
    const QString rel = "workfolder/v_1234/p401/" + kFile;
    choose(rel);
    ASSERT_TRUE(goTo("5"));
    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host(rel)), "b5\n");
    EXPECT_EQ(svnInfo(rel, "revision"), kHead) << "export replaces the content only";
    EXPECT_TRUE(status(rel).startsWith("M")) << status(rel).toStdString();
    EXPECT_TRUE(shown().contains("Arquivo u.pas copiado para o diretório c:\\workfolder\\v_1234\\p401\\fontes com sucesso."))
        << shown().toStdString();
    EXPECT_TRUE(tmpEntries().isEmpty()) << tmpEntries().join(' ').toStdString();
}

TEST_P(History, RetrievesIntoAnOlderCopyThroughTheCurrentOne)
{
    const QString older = "sist2023/prod/p401/" + kFile, current = "sistemas/prod/p401/" + kFile;
    choose(older);
    ASSERT_TRUE(goTo("2"));
    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host(older)), "v2\n");
    EXPECT_EQ(readAll(host(current)), "v6\n");
    EXPECT_EQ(svnInfo(current, "revision"), kHead);
    EXPECT_EQ(status(current.section('/', 0, 2)), "") << "the current copy is left as it was";
    EXPECT_TRUE(tmpEntries().isEmpty()) << tmpEntries().join(' ').toStdString();

    // Local changes in the current copy are never overwritten.
    QProcess::execute("svn", {"revert", "-q", host(older)});
    writeFile(host(current), "trabalho do operador\n");
    ASSERT_TRUE(goTo("1"));
    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), text("COPIA_ALTERADA").replace("%s", "C:\\sistemas\\prod\\p401\\fontes\\u.pas"));
    EXPECT_EQ(readAll(host(current)), "trabalho do operador\n");
    EXPECT_TRUE(tmpEntries().isEmpty());
}

TEST_P(History, AChangedWorkingFileIsRefusedBeforeAnythingIsRemoved)
{
    const QString rel = "sistemas/prod/p401/" + kFile, branch = "workfolder/v_1234/p401/" + kFile;
    for (const auto &[file, revision] : {std::pair{rel, "2"}, std::pair{branch, "5"}}) {
        choose(file);
        writeFile(host(file), "trabalho do operador\n");
        ASSERT_TRUE(goTo(revision));
        dialogs->answer(0);
        EXPECT_EQ(run([this] { window->GETClick(); }), text("ARQUIVO_ALTERADO").replace("%s", window->edtDir->text()));
        EXPECT_EQ(readAll(host(file)), "trabalho do operador\n") << file.toStdString();
        EXPECT_EQ(svnInfo(file, "revision"), kHead);
        EXPECT_TRUE(tmpEntries().isEmpty()) << tmpEntries().join(' ').toStdString();
    }
    EXPECT_TRUE(server.calls.isEmpty()) << "refused before the retrieval began";

    // A file locked by its operator (checked out), or missing, holds nothing to lose: it is retrieved.
    QProcess::execute("svn", {"revert", "-q", host(rel)});
    g_repo->svn({"lock", "--force", host(rel)});
    ASSERT_TRUE(status(rel).contains("K")) << status(rel).toStdString();
    choose(rel);
    ASSERT_TRUE(goTo("2"));
    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host(rel)), "v2\n");
    QFile::remove(host(rel));
    ASSERT_TRUE(goTo("3"));
    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host(rel)), "v3\n");
    g_repo->svn({"unlock", "--force", host(rel)});
}

TEST_P(History, TwoRetrievalsKeepTheirCopiesApart)
{
    // A copy left by another operator's retrieval under the same name is not touched.
    writeFile(host("tmplogdir/u.pas"), "de outro operador\n");
    choose("sist2023/prod/p401/" + kFile);
    ASSERT_TRUE(goTo("3"));
    dialogs->answer(0);
    EXPECT_EQ(run([this] { window->GETClick(); }), "") << shown().toStdString();
    EXPECT_EQ(readAll(host("sist2023/prod/p401/" + kFile)), "v3\n");
    EXPECT_EQ(readAll(host("tmplogdir/u.pas")), "de outro operador\n");
    EXPECT_EQ(tmpEntries(), QStringList{"u.pas"});
}

INSTANTIATE_TEST_SUITE_P(Languages, History, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param).substr(0, 5) == "pt_BR" ? "ptBR" : "C"; });

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    g_repo = new Repository;
    ::testing::AddGlobalTestEnvironment(g_repo);
    return testsupport::RunAllTestsCountingSkips();
}
