// Backups of checked-out files, the repository location and the last commit of
// a working copy, against the real client over HTTP.
#include "support.h"
#include "host/abort.h"
#include "workcopy/backupworkdir.h"
#include "workcopy/infocopia.h"
#include "workcopy/textos.h"

using namespace wctest;
using workcopy::BackupWorkdir;
using workcopy::InfoCopia;

namespace {

QString abortOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const qor::EAbort &abort) {
        return abort.message();
    }
    return {};
}

class Backup : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(bench.host("h:\\Workdir\\oper"));
        bench.write("c:\\prod\\Unit1.pas", "unit Unit1;\n");
    }
    QString backupOf(const QString &activity, const QString &name) const
    {
        return bench.host("h:\\Workdir\\oper\\123\\0000000077\\" + activity + "\\" + name);
    }
    Bench bench;
    BackupWorkdir backup{bench.paths};
};

}

TEST_F(Backup, CopiesIntoTheActivityDirectoryAndOverAReadOnlyEarlierCopy)
{
    backup.Grava_Backup_Workdir("c:\\prod\\Unit1.pas", "oper", "123", "0000000077", "00001");
    ASSERT_EQ(ReadAll(backupOf("00001", "Unit1.pas")), "unit Unit1;\n");
    QFile::setPermissions(backupOf("00001", "Unit1.pas"), QFile::ReadOwner);
    bench.write("c:\\prod\\Unit1.pas", "unit Unit1; // 2\n");
    EXPECT_EQ(abortOf([&] { backup.Grava_Backup_Workdir("c:\\prod\\Unit1.pas", "oper", "123", "0000000077", "00001"); }),
              "");
    EXPECT_EQ(ReadAll(backupOf("00001", "Unit1.pas")), "unit Unit1; // 2\n");
}

TEST_F(Backup, AMissingUserDirectoryStopsBeforeAnythingIsWrittenAndAMissingSourceIsSkipped)
{
    const QString refusal = abortOf([&] { backup.Grava_Backup_Workdir("c:\\prod\\Unit1.pas", "outro", "1", "2", "3"); });
    EXPECT_EQ(refusal, workcopy::MsgF("DIR_BACKUP_NAO_EXISTE", {"H:\\Workdir\\outro"}));
    EXPECT_TRUE(refusal.endsWith("Redes.\n\n"));
    EXPECT_FALSE(QFileInfo::exists(bench.host("h:\\Workdir\\outro")));
    EXPECT_EQ(abortOf([&] { backup.Grava_Backup_Workdir("c:\\prod\\Nao.pas", "oper", "1", "2", "3"); }), "");
    EXPECT_TRUE(QFileInfo(bench.host("h:\\Workdir\\oper\\1\\2\\3")).isDir());
    EXPECT_FALSE(QFileInfo::exists(bench.host("h:\\Workdir\\oper\\1\\2\\3\\Nao.pas")));
}

TEST_F(Backup, ACopyThatFailsNamesTheFileAndTheReason)
{
    // A directory in the way of the copy: no rights make that one go.
    QDir().mkpath(backupOf("00001", "Unit1.pas") + "/dentro");
    const QString refusal = abortOf([&] { backup.Grava_Backup_Workdir("c:\\prod\\Unit1.pas", "oper", "123", "0000000077", "00001"); });
    EXPECT_TRUE(refusal.startsWith(workcopy::MsgF("NOT_COPY_FILE", {"Unit1.pas", "c:\\prod\\Unit1.pas",
                                                                    "H:\\Workdir\\oper\\123\\0000000077\\00001\\"})))
        << refusal.toStdString();
    EXPECT_TRUE(refusal.contains("Mensagem de erro: ")) << refusal.toStdString();
}

TEST_F(Backup, RemovalKeepsATaskWithAnotherActivityAndNeverTheUser)
{
    backup.Grava_Backup_Workdir("c:\\prod\\Unit1.pas", "oper", "123", "0000000077", "00001");
    backup.Grava_Backup_Workdir("c:\\prod\\Unit1.pas", "oper", "123", "0000000077", "00002");
    QFile::setPermissions(backupOf("00001", "Unit1.pas"), QFile::ReadOwner);
    backup.Deleta_Backup_WorkDir("oper", "123", "0000000077", "00001");
    EXPECT_FALSE(QFileInfo::exists(backupOf("00001", "")));
    EXPECT_TRUE(QFileInfo::exists(backupOf("00002", "Unit1.pas")));
    backup.Deleta_Backup_WorkDir("oper", "123", "0000000077", "00002");
    EXPECT_FALSE(QFileInfo::exists(bench.host("h:\\Workdir\\oper\\123")));
    EXPECT_TRUE(QFileInfo(bench.host("h:\\Workdir\\oper")).isDir());
    // Nothing there: nothing reported.
    backup.Deleta_Backup_WorkDir("oper", "9", "9", "9");
}

TEST(InfoXml, TheRevisionIsTheCommitsAndTheUrlTheEntrysWhateverThePathsSay)
{
    const QString xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info>\n<entry\n   kind=\"file\"\n   path=\"c:\\prod\\commit\\x.pas\"\n"
        "   revision=\"41\">\n<url>http://h/svn/commits/x.pas</url>\n<relative-url>^/commits/x.pas</relative-url>\n"
        "<repository>\n<root>http://h/svn</root>\n<uuid>u</uuid>\n</repository>\n<wc-info>\n"
        "<wcroot-abspath>c:\\prod\\commit</wcroot-abspath>\n</wc-info>\n<commit\n   revision=\"17\">\n"
        "<author>svn_w</author>\n<date>2026-01-01T00:00:00.000000Z</date>\n</commit>\n</entry>\n</info>\n";
    const workcopy::InfoEntrada info = InfoCopia::Le(xml);
    EXPECT_EQ(info.revisao, "17");
    EXPECT_EQ(info.url, "http://h/svn/commits/x.pas");
    EXPECT_EQ(info.raiz, "http://h/svn");
    // An error after the opening element, nothing else.
    const workcopy::InfoEntrada vazio = InfoCopia::Le("<?xml version=\"1.0\"?>\n<info>\nsvn: E155007: not a working copy\n");
    EXPECT_TRUE(vazio.temInfo);
    EXPECT_TRUE(vazio.url.isEmpty());
    EXPECT_TRUE(vazio.revisao.isEmpty());
    EXPECT_FALSE(InfoCopia::Le("").temInfo);
}

TEST(InfoXml, ALocationWithoutSchemeIsTakenBelowTheRepositoryRoot)
{
    workcopy::InfoEntrada info;
    info.url = "http://127.0.0.1:7080/svn/P401/trunk";
    info.raiz = "http://127.0.0.1:7080/svn";
    EXPECT_TRUE(InfoCopia::MesmaLocalizacao(info, "/p401/trunk/"));
    EXPECT_TRUE(InfoCopia::MesmaLocalizacao(info, "http://127.0.0.1:7080/svn/p401/trunk"));
    EXPECT_FALSE(InfoCopia::MesmaLocalizacao(info, "/p401/trunk/relatorios"));
    EXPECT_FALSE(InfoCopia::MesmaLocalizacao(info, "/p40"));
    EXPECT_FALSE(InfoCopia::MesmaLocalizacao({}, "/p401/trunk"));
}

TEST(Textos, PlaceholdersAreFilledInOrderAndArgumentsStayLiteral)
{
    EXPECT_EQ(workcopy::Formata("a %s b %s c", {"%s", "2"}), "a %s b 2 c");
    EXPECT_EQ(workcopy::Formata("a %s", {}), "a %s");
}

namespace {

class RealInfo : public ::testing::TestWithParam<const char *> {
protected:
    void SetUp() override
    {
        APR_REQUIRE_COMPONENT(DavServer::instance().ok(), "Apache with mod_dav_svn", DavServer::instance().why);
        bench = std::make_unique<Bench>(GetParam());
        bench->svn({"mkdir", "--parents", "-m", "SOL:1 area", bench->repo("commits/trunk")});
        bench->svn({"checkout", bench->repo("commits/trunk"), bench->host("c:\\prod\\commit")});
        bench->write("c:\\prod\\commit\\x.pas", "x\n");
        bench->svn({"add", bench->host("c:\\prod\\commit\\x.pas")});
        bench->svn({"commit", "-m", "SOL:1 x", bench->host("c:\\prod\\commit")});
        bench->svn({"mkdir", "-m", "SOL:1 y", bench->repo("commits/trunk/y")});
    }
    std::unique_ptr<Bench> bench;
};

}

TEST_P(RealInfo, UrlAndReleaseOfAPathThatSaysCommit)
{
    InfoCopia info(bench->fluxo);
    EXPECT_EQ(info.CopiaURL("c:\\prod\\commit"), bench->repo("commits/trunk")) << bench->progresso.join('\n').toStdString();
    EXPECT_EQ(info.CopiaRelease("c:\\prod\\commit\\x.pas"), bench->svn({"info", "--show-item", "last-changed-revision",
                                                                         bench->host("c:\\prod\\commit\\x.pas")}).trimmed());
    EXPECT_TRUE(info.Verifica_Copia_Trabalho("c:\\prod\\commit", "/" + bench->area.toLower() + "/commits/trunk/"));
    EXPECT_TRUE(info.Verifica_Copia_Trabalho("c:\\prod\\commit", bench->repo("commits/trunk") + "/"));
    EXPECT_FALSE(info.Verifica_Copia_Trabalho("c:\\prod\\commit", bench->repo("commits/trunk/y")));
    EXPECT_EQ(info.CopiaRelease(""), "");
    // Not a working copy: the client answers <info> and an error; asked once.
    QDir().mkpath(bench->host("c:\\solto"));
    const qsizetype before = bench->runner->runner().results().size();
    EXPECT_EQ(info.CopiaURL("c:\\solto"), "");
    EXPECT_EQ(bench->runner->runner().results().size() - before, 1);
    EXPECT_FALSE(bench->progresso.join('\n').contains(kPass));
}

INSTANTIATE_TEST_SUITE_P(Languages, RealInfo, ::testing::Values("C", "pt_BR.UTF-8"),
                         [](const auto &info) { return std::string(info.param[0] == 'C' ? "C" : "pt_BR"); });

TEST(SilentClient, TenEmptyAnswersLeaveTheUrlEmpty)
{
    Bench bench;
    QTemporaryDir bin;
    const QString count = bin.path() + "/count";
    QFile script(bin.path() + "/svn");
    script.open(QIODevice::WriteOnly);
    script.write(("#!/bin/sh\necho x >> '" + count + "'\n").toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", (bin.path() + ":").toLocal8Bit() + path);
    bench.environment.insert("PATH", bin.path() + ":" + QString::fromLocal8Bit(path));
    bench.runner->runner().setEnvironment(bench.environment);
    const QString url = InfoCopia(bench.fluxo).CopiaURL("c:\\prod");
    qputenv("PATH", path);
    EXPECT_EQ(url, "");
    EXPECT_EQ(ReadAll(count).count('x'), 10);
}
