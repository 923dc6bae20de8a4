#include "host/dialogs.h"
#include "host/finddialog.h"
#include "host/pickdialog.h"
#include "host/recordset.h"
#include "host/recordsetmodel.h"
#include "host/services.h"

#include <QApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace qor;

namespace {

void fillQualifications(RecordSet &rs)
{
    rs.setData(QJsonDocument::fromJson(R"({"fields":[{"name":"CDQUALIFPROC","type":"string","size":5},
                                                    {"name":"DSQUALIFPROC","type":"string","size":40}],
                                          "rows":[["Q1","Concluída sem pendência"],["Q2","Concluída com ressalva"],
                                                  ["Q3","Cancelada pelo cliente"]]})")
                   .object());
}

} // namespace

TEST(Pesquisar, PickListAnswersThroughTheSeam)
{
    ScopedScriptedDialogs dialogs;
    RecordSet rs;
    fillQualifications(rs);
    EXPECT_FALSE(Pesquisar(rs, "Qualificação|Escolha a qualificação", false, true)) << "default: nothing picked";
    dialogs->onPick = [](RecordSet &r) { return r.locate("CDQUALIFPROC", {"Q3"}); };
    EXPECT_TRUE(Pesquisar(rs, "Qualificação|Escolha a qualificação", false, true));
    EXPECT_EQ(rs["CDQUALIFPROC"].asString(), "Q3");
    EXPECT_EQ(dialogs->count(DialogRequest::Search), 2);
    EXPECT_EQ(dialogs->shown[0].title, "Qualificação|Escolha a qualificação");
}

TEST(PickDialog, SearchesAnyColumnAndPicksTheRow)
{
    RecordSet rs;
    fillQualifications(rs);
    rs["CDQUALIFPROC"].setVisible(false);
    PickDialog dialog("Qualificação|Escolha", rs);
    EXPECT_EQ(dialog.windowTitle(), "Qualificação");
    EXPECT_EQ(dialog.grid()->model()->columnCount(), 1) << "hidden fields are not listed";
    EXPECT_TRUE(dialog.search("cancel"));
    EXPECT_EQ(dialog.currentRow(), 2);
    EXPECT_FALSE(dialog.search("xyz"));
    EXPECT_EQ(rs.recNo(), 0) << "the cursor moves only on a pick";
    EXPECT_TRUE(dialog.search("concluída"));
    EXPECT_FALSE(dialog.grid()->isRowHidden(0));
    EXPECT_FALSE(dialog.grid()->isRowHidden(1));
    EXPECT_TRUE(dialog.grid()->isRowHidden(2)) << "typing narrows the list";
    EXPECT_TRUE(dialog.search("RESSALVA"));
    EXPECT_EQ(dialog.currentRow(), 1);
    dialog.search("");
    EXPECT_FALSE(dialog.grid()->isRowHidden(2));
    EXPECT_TRUE(dialog.search("cancel"));
    EXPECT_TRUE(dialog.applyChoice());
    EXPECT_EQ(rs["CDQUALIFPROC"].asString(), "Q3");
}

TEST(Procura, FindsByFieldAndTextInAnyCase)
{
    ScopedScriptedDialogs dialogs;
    RecordSet rs;
    fillQualifications(rs);
    QString field = "DSQUALIFPROC", text = "concluída com";
    dialogs->onModal = [&](QDialog &d) {
        auto &find = dynamic_cast<FindDialog &>(d);
        find.setFieldName(field);
        find.setText(text);
        return int(QDialog::Accepted);
    };
    EXPECT_TRUE(Procura(rs));
    EXPECT_EQ(rs["CDQUALIFPROC"].asString(), "Q2");

    text = "inexistente";
    EXPECT_FALSE(Procura(rs));
    EXPECT_EQ(rs["CDQUALIFPROC"].asString(), "Q2") << "not found: the cursor stays";
    EXPECT_EQ(dialogs->count(DialogRequest::Warning), 1);
    EXPECT_EQ(dialogs->shown.back().text, "Registro não encontrado.");

    dialogs->onModal = [](QDialog &) { return int(QDialog::Rejected); };
    EXPECT_FALSE(Procura(rs));
    EXPECT_EQ(dialogs->count(DialogRequest::Warning), 1) << "a cancelled find is silent";
}

TEST(InteractiveSeam, MessageBoxReturnsTheClickedButton)
{
    auto previous = SetDialogSeam(CreateInteractiveSeam());
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton *b : box->buttons())
            if (b->text() == "Não") b->click();
    });
    EXPECT_EQ(MsgAlertEx("Deseja tentar gravar a release novamente?", 3, {"Sim", "Não"}, 1, 0, 20), 11);
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->informativeText(), "detalhe do servidor");
        box->reject();
    });
    ShowDetailError("Falhou", "detalhe do servidor");
    SetDialogSeam(std::move(previous));
}

TEST(Modules, LoadBPLGoesThroughTheHostLoader)
{
    ScopedScriptedDialogs dialogs;
    SetModuleLoader(nullptr);
    EXPECT_FALSE(LoadBPL("APR00500"));
    ASSERT_EQ(dialogs->shown.size(), 1u);
    EXPECT_TRUE(dialogs->shown[0].text.contains("APR00500"));

    QStringList loaded, unloaded;
    SetModuleLoader([&](const QString &code, const QString &p) { loaded << code + ":" + p; return code == "APR00600"; });
    SetModuleUnloader([&](const QString &code) { unloaded << code; });
    EXPECT_TRUE(LoadBPL("APR00600", "0001"));
    EXPECT_FALSE(LoadBPL("APR00999"));
    UnLoadBPL("APR00100");
    EXPECT_EQ(loaded, QStringList({"APR00600:0001", "APR00999:"}));
    EXPECT_EQ(unloaded, QStringList({"APR00100"}));
    SetModuleLoader(nullptr);
    SetModuleUnloader(nullptr);

    auto *window = new QWidget;
    SetUnloadBPL("TfrmZEL", window);
    EXPECT_TRUE(ModuleWindows().contains(window));
    delete window;
    EXPECT_TRUE(ModuleWindows().isEmpty());
}

TEST(Windows, TradFocusAndColumnLookups)
{
    QWidget window;
    window.setProperty("screenCode", "APR00100");
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel("Senha", &window);
    auto *first = new QLineEdit(&window);
    auto *disabled = new QLineEdit(&window);
    disabled->setEnabled(false);
    auto *second = new QLineEdit(&window);
    for (QWidget *w : {static_cast<QWidget *>(label), static_cast<QWidget *>(first), static_cast<QWidget *>(disabled),
                       static_cast<QWidget *>(second)})
        layout->addWidget(w);
    window.show();
    QApplication::setActiveWindow(&window);

    Trad(&window);
    EXPECT_EQ(window.windowTitle(), "APR00100");
    SetTranslator([](const QString &t) { return t == "Senha" ? QString("Password") : t; });
    Trad(&window);
    SetTranslator(nullptr);
    EXPECT_EQ(label->text(), "Password");

    SelectFirstControl(&window);
    EXPECT_EQ(window.focusWidget(), first);
    SelectNextControl(&window, true);
    EXPECT_EQ(window.focusWidget(), second) << "disabled controls are skipped";
    SelectNextControl(&window, true);
    EXPECT_EQ(window.focusWidget(), first) << "wraps around";
    SelectNextControl(&window, false);
    EXPECT_EQ(window.focusWidget(), second);

    RecordSet rs;
    fillQualifications(rs);
    RecordSetModel model(&rs);
    model.setColumns({"DSQUALIFPROC", "CDQUALIFPROC"});
    QTableView grid;
    grid.setModel(&model);
    EXPECT_EQ(IndiceCol(&grid, "cdqualifproc"), 1);
    EXPECT_EQ(IndiceCol(&grid, "NADA"), -1);
    EXPECT_EQ(IndiceCol(nullptr, "NADA"), -1);
}
