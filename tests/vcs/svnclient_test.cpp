// The client's command lines as the child receives them, and what it reads of
// answers the real client gives only in rare cases.
#include "support.h"
#include "vcs/svnclient.h"
#include <gtest/gtest.h>

using namespace vcstest;

namespace {

class SilentHost : public vcs::RunnerHost {};

class SvnClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        bin = dir.path() + "/bin";
        QDir().mkpath(bin);
        QDir().mkpath(dir.path() + "/c/wc");
        // The stand-in client prints each argument on a line, then what came on standard input.
        WriteScript(bin, "svn", "printf '%s\\n' \"$@\"; printf 'stdin:'; cat");
        runner.paths().setRoot('c', dir.path() + "/c");
    }
    // The arguments the child received, one a line (host paths come back logical).
    static QStringList arguments(const vcs::CommandResult &result)
    {
        return result.output.split('\n', Qt::SkipEmptyParts);
    }
    vcs::SvnRun run() { return {runner, QStringLiteral("CAPTION"), [](const QStringList &) {}}; }

    QTemporaryDir dir;
    QString bin;
    SilentHost host;
    vcs::ConsoleRunner runner{vcs::RunnerPoints::checkinSelection(), host, vcs::Recognition::mainWindow()};
    QString user = "svn_u", password = "Pw 9z%x";
    vcs::SvnClient svn{user, password};
};

}

TEST_F(SvnClientTest, CommandLinesKeepTheirOptionsInOrderAndThePasswordOnStandardInput)
{
    const PathFirst first(bin);
    const QStringList account = {"--username", "svn_u", "--password-from-stdin"};
    const QString file = "c:\\wc\\a.pas";
    const QString target = file;
    const QString fromStdin = "stdin:Pw 9z%x";

    // The child's arguments: before the account, the account, after it, then its standard input.
    const auto expected = [&](const QStringList &before, const QStringList &after) {
        return before + account + after + QStringList{fromStdin};
    };
    EXPECT_EQ(arguments(svn.revert(run(), file, vcs::SvnClient::Order::OptionFirst)),
              expected({"--no-auth-cache", "revert"}, {target}));
    EXPECT_EQ(arguments(svn.lock(run(), file)), expected({"lock", "--no-auth-cache"}, {target}));
    EXPECT_EQ(arguments(svn.update(run(), file, "12")),
              expected({"update", "--no-auth-cache", "-r12"},
                       {"--force", "--no-auth-cache", "--depth", "infinity", "--accept", "postpone", target}));
    EXPECT_EQ(arguments(svn.exportTo(run(), file, "7", "c:\\tmp\\a.pas")),
              expected({"export", "--no-auth-cache", "-r7"},
                       {"--force", "--no-auth-cache", "--depth", "infinity", target, "c:\\tmp\\a.pas"}));
    EXPECT_EQ(arguments(svn.diff(run(), file, "3:5", "/opt/diff.sh")),
              expected({"diff", "--no-auth-cache", "--force", "-r3:5"}, {target, "--diff-cmd", "/opt/diff.sh"}));
    EXPECT_EQ(arguments(svn.checkout(run(), "http://h/svn/p/trunk", "c:\\wc")),
              expected({"checkout", "--no-auth-cache", "--force", "--depth", "infinity"},
                       {"http://h/svn/p/trunk", "c:\\wc"}));
    EXPECT_EQ(arguments(svn.resolve(run(), "c:\\wc")),
              expected({"resolve", "--no-auth-cache", "-R", "--accept", "mine-full", "--depth", "infinity"},
                       {"c:\\wc"}));
    EXPECT_EQ(arguments(svn.infoAt(run(), file, "9")), expected({"info", "--no-auth-cache"}, {target, "-r9"}));
    EXPECT_EQ(arguments(svn.version(run())), (QStringList{"--version", "--quiet", "stdin:"}));

    // Shown, the password is masked wherever the command appears.
    const vcs::CommandResult commit = svn.commit(run(), "-mSOL:12 ajuste", "c:\\wc");
    EXPECT_EQ(commit.shownCommand, "svn commit --no-auth-cache \"-mSOL:12 ajuste\" --username svn_u --password ****** c:\\wc");
    // The account is read at each command: a new logon needs no new client.
    user = "svn_v";
    EXPECT_EQ(arguments(svn.unlock(run(), file)).mid(2, 2), (QStringList{"--username", "svn_v"}));
}

TEST_F(SvnClientTest, StatusLinesAreReadFromTheRawOutputOnly)
{
    const vcs::SvnStatus status = vcs::SvnClient::parseStatus(
        "M       c:\\wc\\a.pas\r\n"
        "?       c:\\wc\\minha pasta\\nova.pas\n"
        "     K  c:\\wc\\b.pas\n"
        "Resultado :\n"
        "svn: warning: W155007: 'c:\\fora' is not a working copy\n"
        "svn: aviso: W155010: O nó 'c:\\wc\\x' não foi encontrado.\n");
    EXPECT_EQ(status.paths("MCR"), QStringList{"c:\\wc\\a.pas"});
    EXPECT_EQ(status.paths("?"), QStringList{"c:\\wc\\minha pasta\\nova.pas"});
    ASSERT_EQ(status.lines.size(), 3);
    EXPECT_EQ(status.lines[2].lock, u'K');
    EXPECT_EQ(status.warnings.size(), 2);
}

TEST_F(SvnClientTest, InfoReadsTheFirstEntryAndItsLockAmongTheClientsErrorLines)
{
    const vcs::SvnInfo info = vcs::SvnClient::parseInfo(
        "svn: warning: W155010: antes do documento\n"
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<info>\n"
        "<entry kind=\"file\" path=\"a.pas\" revision=\"4\">\n"
        "<url>http://h/svn/p/a%20b&amp;c.pas</url>\n"
        "<repository><root>http://h/svn/p</root></repository>\n"
        "<commit revision=\"3\"><author>svn_a</author></commit>\n"
        "<lock><token>opaquelocktoken:1</token><owner>svn_b</owner></lock>\n"
        "</entry>\n"
        "<entry kind=\"file\" path=\"b.pas\"><url>http://h/svn/p/b.pas</url>"
        "<lock><owner>svn_c</owner></lock></entry>\n"
        "</info>\n");
    EXPECT_TRUE(info.answered);
    EXPECT_EQ(info.url, "http://h/svn/p/a%20b&c.pas");
    EXPECT_EQ(info.root, "http://h/svn/p");
    EXPECT_EQ(info.revision, "3");
    EXPECT_EQ(info.lockOwner, "svn_b");
    EXPECT_FALSE(vcs::SvnClient::parseInfo("svn: E170013: Unable to connect\n").answered);
}

TEST_F(SvnClientTest, AStatusDocumentCutShortIsNotComplete)
{
    const QString head = "<?xml version=\"1.0\"?>\n<status>\n<target path=\"c:\\wc\">\n"
                         "<entry path=\"c:\\wc\\novo\"><wc-status item=\"unversioned\"/></entry>\n";
    const vcs::SvnXmlStatus cut = vcs::SvnClient::parseStatusXml(head);
    EXPECT_FALSE(cut.complete);
    ASSERT_EQ(cut.entries.size(), 1);
    EXPECT_EQ(cut.entries[0].path, "c:\\wc\\novo");
    EXPECT_EQ(cut.entries[0].item, "unversioned");
    EXPECT_TRUE(vcs::SvnClient::parseStatusXml(head + "</target>\n</status>\n").complete);
}
