#include "vcs/pathmap.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vcs::LogicalFs;
using vcs::PathMap;

namespace {

class PathMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = dir.path() + "/c";
        QDir().mkpath(root + "/Sistemas/Prod/Fontes");
        touch(root + "/Sistemas/Prod/Fontes/Unit1.PAS");
        touch(root + "/Sistemas/Prod/Fontes/Unit1.dfm");
        touch(root + "/Sistemas/Prod/Fontes/leia.txt");
        paths.setRoot(u'c', root);
    }
    static void touch(const QString &path)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("x");
    }
    QTemporaryDir dir;
    QString root;
    PathMap paths;
};

}

TEST_F(PathMapTest, LogicalToHostMatchesComponentsWithoutCase)
{
    EXPECT_EQ(paths.toHost("c:\\sistemas\\prod\\fontes\\unit1.pas"), root + "/Sistemas/Prod/Fontes/Unit1.PAS");
    EXPECT_EQ(paths.toHost("C:/SISTEMAS/prod"), root + "/Sistemas/Prod");
    // Absent components keep the given spelling (files about to be created).
    EXPECT_EQ(paths.toHost("c:\\sistemas\\Novo\\a.pas"), root + "/Sistemas/Novo/a.pas");
    EXPECT_EQ(paths.toHost("c:\\"), root);
    EXPECT_EQ(paths.toHost("http://host/svn"), "http://host/svn");
}

TEST_F(PathMapTest, DefaultRootUnderAprHome)
{
    qputenv("APR_HOME", dir.path().toLocal8Bit());
    PathMap defaults;
    EXPECT_EQ(defaults.root(u'D'), dir.path() + "/drives/d");
    qputenv("APR_DRIVE_D", "/srv/d/");
    EXPECT_EQ(PathMap().root(u'd'), "/srv/d");
    qunsetenv("APR_DRIVE_D");
    qunsetenv("APR_HOME");
}

TEST_F(PathMapTest, ArgumentsWithPegRevision)
{
    EXPECT_EQ(paths.mapArgument("c:\\sistemas\\prod\\fontes\\unit1.pas@12"), root + "/Sistemas/Prod/Fontes/Unit1.PAS@12");
    EXPECT_EQ(paths.mapArgument("--username"), "--username");
    EXPECT_EQ(paths.mapArgument("SOL:12"), "SOL:12");
}

TEST_F(PathMapTest, OutputPathsBecomeLogical)
{
    const QString plain = "'" + root + "/Sistemas/Prod/Fontes/Unit1.PAS' travado pelo usuário 'svn_a'.\n"
                          "svn: E155007: '" + root + "/Sistemas' não é uma cópia de trabalho\n"
                          "Updating '" + root + "':\nA    " + root + "/Sistemas/x.pas\n";
    EXPECT_EQ(paths.mapOutput(plain),
              "'c:\\Sistemas\\Prod\\Fontes\\Unit1.PAS' travado pelo usuário 'svn_a'.\n"
              "svn: E155007: 'c:\\Sistemas' não é uma cópia de trabalho\n"
              "Updating 'c:\\':\nA    c:\\Sistemas\\x.pas\n");
    const QString xml = "<entry\n   path=\"" + root + "/Sistemas/a.pas\"\n<wcroot-abspath>" + root
                        + "/Sistemas</wcroot-abspath>";
    EXPECT_EQ(paths.mapOutput(xml), "<entry\n   path=\"c:\\Sistemas\\a.pas\"\n<wcroot-abspath>c:\\Sistemas</wcroot-abspath>");
    // A longer name that only starts like the root is left alone.
    EXPECT_EQ(paths.mapOutput(root + "x/a"), root + "x/a");
    EXPECT_EQ(paths.toLogical(root + "/Sistemas/Prod"), "c:\\Sistemas\\Prod");
}

TEST_F(PathMapTest, FileHelpersOnLogicalPaths)
{
    LogicalFs fs(paths);
    EXPECT_TRUE(fs.exists("c:\\SISTEMAS\\prod\\fontes\\UNIT1.pas"));
    EXPECT_TRUE(fs.isDirectory("c:\\sistemas"));
    const auto sources = fs.list("c:\\sistemas\\prod\\fontes", "*.pas;*.DFM", LogicalFs::Files);
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0].path, "c:\\sistemas\\prod\\fontes\\Unit1.dfm");
    EXPECT_EQ(sources[1].name, "Unit1.PAS");
    EXPECT_EQ(fs.list("c:\\sistemas\\prod", "", LogicalFs::Directories).size(), 1);

    EXPECT_TRUE(fs.setReadOnly("c:\\sistemas\\prod\\fontes\\leia.txt", true));
    EXPECT_TRUE(fs.isReadOnly("c:\\sistemas\\prod\\fontes\\leia.txt"));
    EXPECT_TRUE(fs.list("c:\\sistemas\\prod\\fontes", "*.txt")[0].readOnly);
    EXPECT_TRUE(fs.setReadOnly("c:\\sistemas\\prod\\fontes\\leia.txt", false));
    EXPECT_FALSE(fs.isReadOnly("c:\\sistemas\\prod\\fontes\\leia.txt"));

    EXPECT_TRUE(fs.makeDirectory("c:\\backup\\sol1\\x"));
    EXPECT_TRUE(fs.copy("c:\\sistemas\\prod\\fontes\\unit1.pas", "c:\\backup\\sol1\\x\\unit1.pas"));
    EXPECT_FALSE(fs.copy("c:\\sistemas\\prod\\fontes\\unit1.pas", "c:\\backup\\sol1\\x\\unit1.pas", false));
    EXPECT_TRUE(fs.move("c:\\backup\\sol1\\x\\unit1.pas", "c:\\backup\\sol1\\x\\unit2.pas"));
    EXPECT_TRUE(fs.exists("c:\\backup\\sol1\\x\\unit2.pas"));
    EXPECT_FALSE(fs.removeDirectory("c:\\backup"));
    EXPECT_TRUE(fs.remove("c:\\backup\\sol1\\x\\unit2.pas"));
    EXPECT_TRUE(fs.removeDirectory("c:\\backup", true));
    EXPECT_FALSE(fs.exists("c:\\backup"));
    EXPECT_FALSE(fs.remove("c:\\nada.txt"));
}

TEST_F(PathMapTest, DotDotNeverLeavesTheDrivesRoot)
{
    const QString outside = dir.path() + "/fora";
    QDir().mkpath(outside);
    touch(outside + "/segredo.txt");
    const LogicalFs fs(paths);
    // Inside the drive ".." is followed as usual.
    EXPECT_EQ(paths.toHost("c:\\sistemas\\prod\\..\\prod\\fontes\\leia.txt"), root + "/Sistemas/Prod/Fontes/leia.txt");
    for (const QString &escape : {QString("c:\\..\\fora\\segredo.txt"), QString("c:\\sistemas\\..\\..\\fora\\segredo.txt"),
                                  QString("c:/sistemas/./../../fora")}) {
        EXPECT_TRUE(PathMap::leavesDrive(escape)) << escape.toStdString();
        EXPECT_EQ(paths.toHost(escape), "") << escape.toStdString();
    }
    // Server-supplied directories reach copy, rename and delete: none of them may touch the outside.
    EXPECT_FALSE(fs.exists("c:\\..\\fora\\segredo.txt"));
    EXPECT_FALSE(fs.remove("c:\\..\\fora\\segredo.txt"));
    EXPECT_FALSE(fs.copy("c:\\sistemas\\prod\\fontes\\leia.txt", "c:\\..\\fora\\copia.txt"));
    EXPECT_FALSE(fs.move("c:\\sistemas\\prod\\fontes\\leia.txt", "c:\\..\\..\\leia.txt"));
    EXPECT_FALSE(fs.removeDirectory("c:\\..\\fora", true));
    EXPECT_TRUE(QFileInfo::exists(outside + "/segredo.txt"));
    EXPECT_FALSE(QFileInfo::exists(outside + "/copia.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/Sistemas/Prod/Fontes/leia.txt"));
}

TEST_F(PathMapTest, MappedFileArgumentsWithAnAtGetThePegEscape)
{
    const QString fontes = root + "/Sistemas/Prod/Fontes/";
    EXPECT_EQ(paths.mapArgument("c:\\sistemas\\prod\\fontes\\logo@2x.png"), fontes + "logo@2x.png@");
    EXPECT_EQ(paths.mapArgument("c:\\sistemas\\prod\\fontes\\logo@2x.png@"), fontes + "logo@2x.png@");
    EXPECT_EQ(paths.mapArgument("c:\\sistemas\\prod\\fontes\\unit1.pas@HEAD"), fontes + "Unit1.PAS@HEAD");
    EXPECT_EQ(paths.mapArgument("c:\\sistemas\\prod\\fontes\\unit1.pas@27"), fontes + "Unit1.PAS@27");
    EXPECT_EQ(paths.mapArgument("svn_u@exemplo"), "svn_u@exemplo");
}
