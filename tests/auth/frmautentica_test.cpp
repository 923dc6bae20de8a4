// The authentication dialog: its checks in order, Enter, the placement, the
// cancel, and the account check against a real PAM stack (pam_userdb with a
// service file of the test's own).
#include "auth/frmautentica.h"
#include "host/abort.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "vcs/account.h"
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include "testsupport/realcomponent.h"
#include <gtest/gtest.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *out) { *out << '[' << list.join("|").toStdString() << ']'; }
QT_END_NAMESPACE

namespace {

const QString kService = "apr-logon-teste";

// A PAM service of the test's own over a Berkeley DB of accounts, and the
// machine setting of the domain.
class PamStack : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile accounts(dir.path() + "/users.txt");
        ASSERT_TRUE(accounts.open(QIODevice::WriteOnly));
        accounts.write("maria\nC0rreta-senha\njoao\noutra\n");
        accounts.close();
        const int loaded = QProcess::execute("db_load", {"-T", "-t", "hash", "-f", dir.path() + "/users.txt",
                                                         dir.path() + "/users.db"});
        ASSERT_EQ(loaded, 0) << "db_load (db-util) is needed";
        QFile::remove(dir.path() + "/users.txt");
        QDir().mkpath(dir.path() + "/pam.d");
        QFile service(dir.path() + "/pam.d/" + kService);
        ASSERT_TRUE(service.open(QIODevice::WriteOnly));
        service.write("auth required pam_userdb.so crypt=none db=" + dir.path().toUtf8() + "/users\n"
                      "account required pam_permit.so\n");
        service.close();
        qputenv("APR_PAM_CONFDIR", (dir.path() + "/pam.d").toUtf8());
        qputenv("APR_PAM_SERVICE", kService.toUtf8());
        qputenv("APR_HOME", (dir.path() + "/home").toUtf8());
        QSettings machine(dir.path() + "/home/settings/machine/registry.ini", QSettings::IniFormat);
        machine.setValue("rede/DominioCurto", "calbrex");
    }
    QTemporaryDir dir;
};


class Autentica : public ::testing::Test {
protected:
    void SetUp() override
    {
        qor::SetLogonChecker(nullptr);
        qor::SetModuleUnloader([this](const QString &code) { unloaded << code; });
        dialog = std::make_unique<auth::TfrmAutentica>([this](const QString &user, const QString &password) {
            received << user << password;
        });
    }
    void TearDown() override { qor::SetModuleUnloader(nullptr); }
    void fill(const QString &domain, const QString &user, const QString &password)
    {
        dialog->edtDominio->setText(domain);
        dialog->edtUser->setText(user);
        dialog->edtSenha->setText(password);
    }
    QString confirm()
    {
        try {
            dialog->sbtConfirmaClick();
        } catch (const qor::EAbort &abort) {
            return abort.message();
        }
        return {};
    }

    qor::ScopedScriptedDialogs dialogs;
    std::unique_ptr<auth::TfrmAutentica> dialog;
    QStringList received;
    QStringList unloaded;
};

}

TEST_F(Autentica, StartsWithTheMachinesAccountAndDomain)
{
    EXPECT_EQ(dialog->windowTitle(), "Autenticação do Usuário da Rede");
    EXPECT_EQ(dialog->edtUser->text(), vcs::OperatingSystemUser());
    EXPECT_EQ(dialog->edtDominio->text(), "CALBREX");
    EXPECT_EQ(dialog->edtSenha->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dialog->sbtHelp->isEnabled());
    EXPECT_EQ(dialog->lblCodTela->text(), "APR00170");
}

TEST_F(Autentica, ChecksTheFieldsInOrder)
{
    fill("", "", "");
    EXPECT_EQ(confirm(), "Domínio deve ser informado.");
    EXPECT_EQ(dialog->focusWidget(), dialog->edtDominio);
    fill("CALBREX", "  ", "");
    EXPECT_EQ(confirm(), "Usuário deve ser informado.");
    EXPECT_EQ(dialog->focusWidget(), dialog->edtUser);
    fill("CALBREX", "maria", "");
    EXPECT_EQ(confirm(), "Senha deve ser informada.");
    EXPECT_EQ(dialog->focusWidget(), dialog->edtSenha);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(Autentica, TakesTheAccountPamAccepts)
{
    fill("calbrex", "maria", "C0rreta-senha");
    EXPECT_EQ(confirm(), "");
    EXPECT_EQ(received, (QStringList{"maria", "C0rreta-senha"})) << "the user as typed, without svn_";
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(dialog->edtSenha->text().isEmpty());
}

TEST_F(Autentica, ARefusedLogonEmptiesOnlyThePassword)
{
    fill("CALBREX", "maria", "errada");
    EXPECT_EQ(confirm(), "Dados incorretos.");
    EXPECT_EQ(dialog->edtSenha->text(), "");
    EXPECT_EQ(dialog->edtUser->text(), "maria");
    EXPECT_EQ(dialog->edtDominio->text(), "CALBREX");
    // Another domain than the machine's, or an account PAM does not know.
    fill("OUTRO", "maria", "C0rreta-senha");
    EXPECT_EQ(confirm(), "Dados incorretos.");
    fill("CALBREX", "ninguem", "C0rreta-senha");
    EXPECT_EQ(confirm(), "Dados incorretos.");
    EXPECT_TRUE(received.isEmpty());
    EXPECT_NE(dialog->result(), QDialog::Accepted);
}

TEST_F(Autentica, EnterInAnyFieldConfirms)
{
    dialog->show();
    fill("", "maria", "x");
    QTest::keyClick(dialog->edtSenha, Qt::Key_Return);
    QTest::keyClick(dialog->edtUser, Qt::Key_Enter);
    EXPECT_EQ(dialogs->texts(), (QStringList{"Domínio deve ser informado.", "Domínio deve ser informado."}));
    fill("CALBREX", "joao", "outra");
    QTest::keyClick(dialog->edtDominio, Qt::Key_Return);
    EXPECT_EQ(received, (QStringList{"joao", "outra"}));

    // With the confirm button disabled Enter does nothing.
    received.clear();
    dialog->sbtConfirma->setEnabled(false);
    QTest::keyClick(dialog->edtSenha, Qt::Key_Return);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(Autentica, CancelAsksAndUnloadsTheModuleOnYes)
{
    dialogs->answer(1);
    dialog->sbtCancelClick();
    EXPECT_EQ(dialogs->texts(), QStringList{"Deseja sair do sistema?"});
    EXPECT_TRUE(unloaded.isEmpty());
    dialogs->answer(0);
    dialog->sbtCancelClick();
    EXPECT_EQ(unloaded, QStringList{"APR00100"});
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

// Escape and the window's close button leave the way the cancel button does.
TEST_F(Autentica, EscapeAndClosingAskBeforeLeaving)
{
    dialog->show();
    dialogs->answer(1);
    QTest::keyClick(dialog->edtSenha, Qt::Key_Escape);
    EXPECT_EQ(dialogs->texts(), QStringList{"Deseja sair do sistema?"});
    EXPECT_TRUE(dialog->isVisible());
    dialogs->answer(1);
    dialog->close();
    EXPECT_EQ(dialogs->texts().size(), 2);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(unloaded.isEmpty());

    dialogs->answer(0);
    QTest::keyClick(dialog->edtUser, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(unloaded, QStringList{"APR00100"});
}

TEST(AutenticaPlacement, CentresOnTheClientAreaNeverOffTheTopLeft)
{
    EXPECT_EQ(auth::PosicaoCentrada(QRect(100, 50, 800, 600), QSize(300, 200)), QPoint(350, 250));
    EXPECT_EQ(auth::PosicaoCentrada(QRect(-400, -300, 200, 100), QSize(300, 200)), QPoint(0, 0));
    EXPECT_EQ(auth::PosicaoCentrada(QRect(0, 0, 200, 100), QSize(300, 200)), QPoint(0, 0));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PamStack);
    return testsupport::RunAllTestsCountingSkips();
}
