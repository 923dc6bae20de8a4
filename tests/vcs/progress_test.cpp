#include "vcs/progress.h"
#include "host/dialogs.h"
#include <QApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

using vcs::LineColour;

namespace {
QColor Colour(const QString &line)
{
    return LineColour(vcs::Recognition::mainWindow(), line, QApplication::palette());
}
QColor ViewerColour(const QString &line)
{
    return LineColour(vcs::Recognition::logViewer(), line, QApplication::palette());
}
const QColor kRed(Qt::red), kBlue(Qt::blue);
}

TEST(LineColour, FailuresRedSuccessesBlue)
{
    const QColor text = QApplication::palette().color(QPalette::WindowText);
    EXPECT_EQ(Colour("Commit da revisão 12."), kBlue);
    EXPECT_EQ(Colour("Committed revision 12."), kBlue);
    EXPECT_EQ(Colour("Erro: Commit da revisão 12."), kRed);
    EXPECT_EQ(Colour("svn: warning: W160035: Path '/a' is already locked by user 'x'"), kRed);
    EXPECT_EQ(Colour("svn: warning: W160035: Caminho '/a' já está travado pelo usuário 'x'"), kRed);
    EXPECT_EQ(Colour("'a.pas' travado pelo usuário 'svn_a'."), kBlue);
    EXPECT_EQ(Colour("'a.pas' destravado."), kBlue);
    EXPECT_EQ(Colour("Na revisão 3."), kBlue);
    EXPECT_EQ(Colour("Gerado cópia de trabalho para revisão 3."), kBlue);
    EXPECT_EQ(Colour("Fatal: x"), kRed);
    EXPECT_EQ(Colour("svn: E155007: 'c:\\x' não é uma cópia de trabalho"), kRed);
    EXPECT_EQ(Colour("Pulou 'c:\\x'"), kRed);
    EXPECT_EQ(Colour("ERRO AO EXECUTAR PROCESSO NO SUBVERSION, VERIFIQUE SE O SUBVERSION FOI INSTALADO CORRETAMENTE"), text);
    EXPECT_EQ(Colour("Updating 'c:\\wc':"), text);
}

TEST(LineColour, LogViewerList)
{
    const QColor text = QApplication::palette().color(QPalette::WindowText);
    EXPECT_EQ(ViewerColour("Atualizado para revisão 4."), kBlue);
    EXPECT_EQ(ViewerColour("Erro qualquer"), kRed);
    EXPECT_EQ(ViewerColour("'a' destravado."), text);
}

TEST(ProgressList, FixedHeightAndHintOfTheSelectedLine)
{
    QListWidget list;
    vcs::InstallProgressBehaviour(&list);
    list.addItems({"um", "dois", "três"});
    list.resize(300, 200);
    list.show();
    EXPECT_EQ(list.visualItemRect(list.item(1)).height(), vcs::kProgressLineHeight);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.item(0)->setSelected(true);
    list.item(1)->setSelected(true);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &move);
    EXPECT_EQ(list.toolTip(), "dois");
}

TEST(LastLog, EmptyListWarnsOtherwiseShowsTheCommandView)
{
    const qor::ScopedScriptedDialogs dialogs;
    QListWidget list;
    QProgressBar bar;
    QPushButton confirm;
    confirm.setEnabled(false);
    int shown = 0;
    EXPECT_FALSE(vcs::ShowLastLog(&list, &bar, &confirm, [&] { ++shown; }));
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_EQ(dialogs->shown[0].text, "Não há log para ser exibido.");
    EXPECT_EQ(dialogs->shown[0].kind, qor::DialogRequest::Warning);
    list.addItem("x");
    EXPECT_TRUE(vcs::ShowLastLog(&list, &bar, &confirm, [&] { ++shown; }));
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(confirm.isEnabled());
    EXPECT_EQ(bar.maximum(), 1000000);
    EXPECT_EQ(bar.value(), 1000000);
}

TEST(ProgressList, ASelectedLineKeepsItsColourOnTheListsBackground)
{
    QListWidget list;
    vcs::InstallProgressBehaviour(&list);
    list.addItems({"Updating 'c:\\wc':", "Commit da revisão 12."});
    QPalette palette = list.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0, 120, 0));
    list.setPalette(palette);
    list.resize(300, 100);
    list.show();
    list.setCurrentRow(1);
    ASSERT_TRUE(list.item(1)->isSelected());
    const QRect rect = list.visualItemRect(list.item(1));
    const QImage image = list.viewport()->grab().toImage();
    bool blueText = false;
    for (int x = rect.left() + 2; x < rect.left() + 120; ++x)
        for (int y = rect.top() + 2; y < rect.bottom() - 1; ++y) {
            const QColor c = image.pixelColor(x, y);
            blueText = blueText || (c.blue() > 150 && c.red() < 100 && c.green() < 100);
        }
    EXPECT_TRUE(blueText) << "the newest line lost its blue";
    // Inside the frame, away from the text, the line shows the list's background.
    EXPECT_EQ(image.pixelColor(rect.right() - 3, rect.center().y()), QColor(Qt::white));
    // The selection is the frame in the highlight colour.
    EXPECT_EQ(image.pixelColor(rect.right(), rect.center().y()), QColor(0, 120, 0));
}
