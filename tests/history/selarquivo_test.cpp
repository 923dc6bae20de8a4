// The file choice of the log viewer: logical folders only, the platform's
// masks, the module's own texts, and typed paths that do not exist.
#include "history/selarquivo.h"
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *out) { *out << '[' << list.join("|").toStdString() << ']'; }
QT_END_NAMESPACE

namespace {

class FileChoice : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(drive.isValid());
        paths.setRoot('C', drive.path());
        for (const char *file : {"sistemas/prod/p401/fontes/u.pas", "sistemas/prod/p401/fontes/Form.DFM",
                                 "sistemas/prod/p401/fontes/notas.txt", "sistemas/prod/p402/leia.txt"}) {
            const QString path = drive.path() + "/" + file;
            QDir().mkpath(QFileInfo(path).path());
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }

    QTemporaryDir drive;
    vcs::PathMap paths;
    history::TfrmSelArquivo picker{paths, "Selecionar Arquivos para Show Log", "Produto Delphi (*.pas *.dfm)",
                                   "*.pas;*.dfm;"};
};

}

TEST_F(FileChoice, WalksTheLogicalFoldersWithTheModulesTexts)
{
    ASSERT_TRUE(picker.abre("C:\\"));
    EXPECT_EQ(picker.edtPasta->text(), "c:\\");
    EXPECT_EQ(picker.itens(), QStringList{"sistemas\\"});

    QStringList texts;
    for (QLabel *label : picker.findChildren<QLabel *>()) texts << label->text();
    for (QPushButton *button : picker.findChildren<QPushButton *>()) texts << button->text();
    for (const char *text : {"Examinar:", "Nome do arquivo:", "Tipo:", "Abrir", "Cancelar", "Acima"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(text))) << text << " in " << texts.join('|').toStdString();
    EXPECT_FALSE(texts.join('|').contains(drive.path())) << "no host path is shown";

    // A folder typed by name is entered, not chosen; only the masks' files are listed.
    picker.edtNome->setText("sistemas\\prod\\P401\\fontes");
    picker.confirma();
    EXPECT_EQ(picker.pasta(), "c:\\sistemas\\prod\\P401\\fontes");
    EXPECT_EQ(picker.itens(), (QStringList{"Form.DFM", "u.pas"}));
    EXPECT_TRUE(picker.arquivoEscolhido().isEmpty());
    picker.btnAcima->click();
    EXPECT_EQ(picker.pasta(), "c:\\sistemas\\prod\\P401");
    EXPECT_EQ(picker.itens(), QStringList{"fontes\\"});
}

TEST_F(FileChoice, PicksAFileByItsNameOnDiskAndRefusesWhatIsNotThere)
{
    ASSERT_TRUE(picker.abre("c:/sistemas/prod/p401/fontes/"));
    EXPECT_FALSE(picker.abre("c:\\sistemas\\nada"));
    EXPECT_EQ(picker.lblAviso->text(), QString::fromUtf8("c:\\sistemas\\nada não existe."));
    EXPECT_EQ(picker.pasta(), "c:\\sistemas\\prod\\p401\\fontes") << "the folder shown stays";
    EXPECT_FALSE(picker.abre("c:\\..\\..")) << "nothing above the drive";

    picker.edtNome->setText("U.PAS");
    picker.confirma();
    EXPECT_EQ(picker.result(), QDialog::Accepted);
    EXPECT_EQ(picker.arquivoEscolhido(), "c:\\sistemas\\prod\\p401\\fontes\\u.pas");
}
