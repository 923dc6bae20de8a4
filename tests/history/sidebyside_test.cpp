// The side-by-side rows of the comparison tool, and its window.
#include "history/diff/diffwindow.h"
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <gtest/gtest.h>

using history::DiffRow;

TEST(SideBySide, AlignsCommonLinesAndPairsChanges)
{
    const QStringList before{"unit A;", "var x;", "begin", "end."};
    const QStringList after{"unit A;", "var y;", "var z;", "begin", "end.", "// fim"};
    const QList<DiffRow> rows = history::SideBySide(before, after);
    const QList<DiffRow> expected{{DiffRow::Same, 0, 0},     {DiffRow::Changed, 1, 1}, {DiffRow::Added, -1, 2},
                                  {DiffRow::Same, 2, 3},     {DiffRow::Same, 3, 4},    {DiffRow::Added, -1, 5}};
    EXPECT_EQ(rows, expected);

    // The shorter version first: the library swaps them inside, the rows must not.
    const QList<DiffRow> back = history::SideBySide(after, before);
    ASSERT_EQ(back.size(), rows.size());
    EXPECT_EQ(back[2], (DiffRow{DiffRow::Removed, 2, -1}));
    EXPECT_EQ(back[5], (DiffRow{DiffRow::Removed, 5, -1}));

    EXPECT_TRUE(history::SideBySide({}, {}).isEmpty());
    EXPECT_EQ(history::SideBySide({}, {"a"}), (QList<DiffRow>{{DiffRow::Added, -1, 0}}));
}

TEST(SideBySide, ReadsUtf8OrLatin1Lines)
{
    EXPECT_EQ(history::TextLines("a\r\nb\n"), (QStringList{"a", "b"}));
    EXPECT_EQ(history::TextLines("ação\n"), QStringList{"ação"});
    EXPECT_EQ(history::TextLines("a\xe7\xe3o"), QStringList{"ação"}) << "a Latin-1 source";
    EXPECT_TRUE(history::TextLines("").isEmpty());
    EXPECT_EQ(history::TextLines("\n"), QStringList{""});
}

TEST(DiffWindow, KeepsBothSidesLevelAndSaysWhatChanged)
{
    history::DiffWindow window("a.pas (revisão 3)", {"x", "y", "z"}, "a.pas (cópia de trabalho)", {"x", "z", "w"});
    EXPECT_EQ(window.leftPane()->document()->blockCount(), window.rightPane()->document()->blockCount());
    EXPECT_EQ(window.changes(), 2);
    EXPECT_TRUE(window.summary()->text().contains("1 linha(s) removida(s), 1 incluída(s)"))
        << window.summary()->text().toStdString();
    // The gap on the right of the removed line is an empty line.
    EXPECT_EQ(window.rightPane()->document()->findBlockByNumber(1).text(), QString());
    EXPECT_EQ(window.leftPane()->document()->findBlockByNumber(1).text(), "2  y");

    history::DiffWindow same("a", {"x"}, "b", {"x"});
    EXPECT_EQ(same.changes(), 0);
    EXPECT_EQ(same.summary()->text(), history::DiffWindow::text("SEM_DIFERENCAS"));
}
