#include "vcs/commandline.h"
#include <gtest/gtest.h>

using vcs::CommandLine;

TEST(CommandLineSplit, WindowsRules)
{
    EXPECT_EQ(CommandLine::split("svn  commit -m \"SOL:12 a b\" c:\\x"),
              (QStringList{"svn", "commit", "-m", "SOL:12 a b", "c:\\x"}));
    // Backslashes are literal unless they precede a quote.
    EXPECT_EQ(CommandLine::split("a c:\\dir\\ \"c:\\d e\\\\\" x\\\"y"),
              (QStringList{"a", "c:\\dir\\", "c:\\d e\\", "x\"y"}));
    EXPECT_EQ(CommandLine::split("a \"\" \"say \"\"hi\"\"\""), (QStringList{"a", "", "say \"hi\""}));
    EXPECT_EQ(CommandLine::split("a\"b c\"d"), (QStringList{"ab cd"}));
    EXPECT_TRUE(CommandLine::split("   ").isEmpty());
}

TEST(CommandLinePassword, TakenOutOfTheArguments)
{
    const CommandLine line("svn lock --no-auth-cache --username svn_x --password s3 cr c:\\a.pas");
    EXPECT_TRUE(line.hasPassword());
    EXPECT_EQ(line.password(), "s3");
    EXPECT_EQ(line.arguments(), (QStringList{"lock", "--no-auth-cache", "--username", "svn_x",
                                             "--password-from-stdin", "cr", "c:\\a.pas"}));
}

TEST(CommandLinePassword, QuotedAndRepeatedAndAttached)
{
    const CommandLine quoted("svn info --password \"a b\" x");
    EXPECT_EQ(quoted.password(), "a b");
    EXPECT_EQ(quoted.arguments(), (QStringList{"info", "--password-from-stdin", "x"}));
    const CommandLine twice("svn info --password=one --password two x");
    EXPECT_EQ(twice.password(), "two");
    EXPECT_EQ(twice.arguments(), (QStringList{"info", "--password-from-stdin", "x"}));
    EXPECT_FALSE(CommandLine("svn info --password-from-stdin x").hasPassword());
}

TEST(CommandLineMask, HidesEveryPasswordValue)
{
    EXPECT_EQ(CommandLine::masked("svn up --username u --password segredo c:\\w"),
              "svn up --username u --password ****** c:\\w");
    EXPECT_EQ(CommandLine::masked("x --password \"a b\" --password=c y"), "x --password ****** --password=****** y");
    EXPECT_EQ(CommandLine::masked("x --password-from-stdin y"), "x --password-from-stdin y");
}

TEST(CommandLineChecked, ACallersValueIsOneArgumentAndNeverAnOption)
{
    const QString path = "c:\\sistemas\\prod\\meu arquivo.pas";
    EXPECT_EQ(CommandLine::checked("svn add \"" + path + "\"", {path}).error(), "");
    // Unquoted, the blank would split the path into two arguments.
    const CommandLine split = CommandLine::checked("svn add " + path, {path});
    EXPECT_TRUE(split.error().contains(path)) << split.error().toStdString();
    // A message that starts with "-" is the value of -m; a path that does is refused.
    EXPECT_EQ(CommandLine::checked("svn commit -m \"-corrige\" c:\\wc", {"-corrige", "c:\\wc"}).error(), "");
    const CommandLine option = CommandLine::checked("svn add --force -rf", {"-rf"});
    EXPECT_TRUE(option.error().contains("-rf")) << option.error().toStdString();
    // A quote inside a message must not end its argument early.
    const QString message = "SOL:9 troca \"a\" por b";
    EXPECT_FALSE(CommandLine::checked("svn commit -m \"" + message + "\" c:\\wc", {message}).error().isEmpty());
}

TEST(CommandLineBuilt, ArgumentsAsGivenAndTheSecretMasked)
{
    CommandLine built = CommandLine::of("svn");
    built.append("commit").append("-m").append("SOL:3 com \"aspas\" e  brancos").append("--password").appendMasked("x y\"z");
    built.appendPath("c:\\wc\\logo@2x.png").append("--token").appendMasked("t0k3n");
    EXPECT_EQ(built.arguments(), (QStringList{"commit", "-m", "SOL:3 com \"aspas\" e  brancos", "--password-from-stdin",
                                              "c:\\wc\\logo@2x.png@", "--token", "t0k3n"}));
    EXPECT_EQ(built.password(), "x y\"z");
    EXPECT_FALSE(built.shown().contains("x y")) << built.shown().toStdString();
    EXPECT_FALSE(built.shown().contains("t0k3n")) << built.shown().toStdString();
    EXPECT_EQ(built.error(), "");
}

TEST(CommandLinePeg, NamesWithAnAtGetTheEscapeRevisionsStayPegs)
{
    EXPECT_EQ(CommandLine::escapedPath("c:\\wc\\a.pas"), "c:\\wc\\a.pas");
    EXPECT_EQ(CommandLine::escapedPath("c:\\wc\\logo@2x.png"), "c:\\wc\\logo@2x.png@");
    for (const char *peg : {"12", "r12", "HEAD", "base", "{2026-03-09}"}) EXPECT_TRUE(CommandLine::isPegRevision(peg)) << peg;
    for (const char *name : {"2x.png", "", "12a"}) EXPECT_FALSE(CommandLine::isPegRevision(name)) << name;
}
