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
