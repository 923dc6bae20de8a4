#include "vcs/classifier.h"
#include "vcs/runner.h"
#include "host/services.h"
#include "server/remote.h"
#include <QJsonArray>

namespace vcs {

namespace {
const QString kCommitCaption = QStringLiteral("Repassando alterações para o Repositório...  ");

QString fileName(const QString &path)
{
    const int cut = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.mid(cut + 1);
}
}

Classifier::Classifier(ClassifierContext &context, const Recognition &texts)
    : m_context(context), m_texts(texts)
{
}

void Classifier::setUnlockRunner(ConsoleRunner *runner, QListWidget *progress)
{
    m_runner = runner;
    m_progress = progress;
}

void Classifier::classify(const QString &pollText, const QString &caption)
{
    if (pollText.isEmpty()) return;
    lockRefusal(pollText, caption);
    lockedWorkingCopy(pollText);
    generalFailure(pollText, caption);
    failedCommit(pollText);
    outdatedWorkingCopy(pollText, caption);
}

void Classifier::lockRefusal(const QString &text, const QString &caption)
{
    if (!caption.contains(m_texts.text(QStringLiteral("ACAO_SUBVERSION_LOCK")))) return;
    const bool lockedByOther = found(QStringLiteral("ERRO3_ARQ_BLOQUEADO"), text);
    const bool unversioned = found(QStringLiteral("ERRO_SUBVERSION_11"), text);
    const bool skipped = found(QStringLiteral("ERRO_SUBVERSION_12"), text);
    if (!lockedByOther && !unversioned && !skipped) return;
    unlockCheckoutFiles();
    clearArqCheckout();
    m_context.enableConfirm();
    if (lockedByOther) fail(QStringLiteral("ERRO_TRAVA"));
    if (unversioned) fail(QStringLiteral("ERRO_TRAVA_ARQ_SEM_VERSAO"));
    fail(QStringLiteral("ERRO_GERAL"));
}

void Classifier::lockedWorkingCopy(const QString &text)
{
    if (found(QStringLiteral("COPIATRAVADA"), text)) fail(QStringLiteral("ERRO_TRAVA_COPIA_DE_TRABALHO"));
}

void Classifier::generalFailure(const QString &text, const QString &caption)
{
    if (found(QStringLiteral("ERRO5_NAOECOPIATRAB"), text) && caption.contains(kCommitCaption))
        fail(QStringLiteral("ERRO_GERAL"));
    static const QStringList keys = {
        QStringLiteral("ERRO7_ARQLERARQ"), QStringLiteral("ERRO2_FALHA_ADD_DIR"), QStringLiteral("ERRO_SERVIDOR"),
        QStringLiteral("ERRO8_SETARQ"), QStringLiteral("ERRO9_ERROARQ"), QStringLiteral("ERRO_SUBVERION_10"),
        QStringLiteral("ERRO_SUBVERSION_13"), QStringLiteral("ERRO_UPDATE"), QStringLiteral("ERRO6_ABRIRARQ")};
    for (const QString &key : keys) {
        if (found(key, text)) fail(QStringLiteral("ERRO_GERAL"));
    }
}

void Classifier::failedCommit(const QString &text)
{
    if (found(QStringLiteral("ERRO4_FALHACOMMIT"), text)) fail(QStringLiteral("FALHA_COMMIT"));
}

void Classifier::outdatedWorkingCopy(const QString &text, const QString &caption)
{
    if (!found(QStringLiteral("COPIADESATUALIZADA"), text)) return;
    if (caption.contains(m_texts.text(QStringLiteral("ACAO_SUBVERSION_LOCK")))) unlockCheckoutFiles();
    clearArqCheckout();
    fail(QStringLiteral("FALHA_LOCK"));
}

QString Classifier::unlockCommand(const QString &file) const
{
    return QStringLiteral("svn unlock --no-auth-cache --username ") + m_context.svnUser()
           + QStringLiteral(" --password ") + m_context.svnPassword() + u' ' + file.toLower();
}

void Classifier::unlockCheckoutFiles()
{
    if (!m_runner) return;
    const QString caption = m_texts.text(QStringLiteral("ACAO_SUBVERSION_UNLOCK"));
    for (const QString &file : m_context.checkoutFiles())
        m_runner->Execute(caption + fileName(file), unlockCommand(file), m_progress, true);
}

void Classifier::clearArqCheckout()
{
    server::RemoteServer &server = m_context.server();
    const server::RemoteServer::Use use(server);
    const QJsonArray args{qor::FiliProc(), m_context.currentTask(), m_context.currentActivity()};
    qor::CheckResultServ(server.callRaw(QStringLiteral("ClearArqCheckout"), args));
}

void Classifier::fail(const QString &key)
{
    m_context.enableConfirm();
    qor::MensErro(m_texts.text(key), true);
}

}
