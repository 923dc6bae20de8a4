#include "vcs/classification.h"

namespace vcs {

namespace {

const QString kCommitCaption = QStringLiteral("Repassando alterações para o Repositório...  ");

// The first line of text that holds one of the keys' texts.
QString lineWith(const Recognition &texts, const QStringList &keys, const QString &text)
{
    for (const QString &line : SplitLines(text)) {
        for (const QString &key : keys) {
            if (texts.failureIn(key, line)) return line;
        }
    }
    return text.trimmed();
}

Classification result(Classification::Kind kind, const QString &messageKey, const QString &line)
{
    Classification c;
    c.kind = kind;
    c.messageKey = messageKey;
    c.clientLine = line;
    return c;
}

Classification lockRefusal(const Recognition &texts, const QString &text, const QString &caption)
{
    if (!caption.contains(texts.text(QStringLiteral("ACAO_SUBVERSION_LOCK")))) return {};
    const QString lockedByOther = QStringLiteral("ERRO3_ARQ_BLOQUEADO");
    const QString unversioned = QStringLiteral("ERRO_SUBVERSION_11");
    const QString skipped = QStringLiteral("ERRO_SUBVERSION_12");
    QString key;
    if (texts.failureIn(lockedByOther, text)) key = QStringLiteral("ERRO_TRAVA");
    else if (texts.failureIn(unversioned, text)) key = QStringLiteral("ERRO_TRAVA_ARQ_SEM_VERSAO");
    else if (texts.failureIn(skipped, text)) key = QStringLiteral("ERRO_GERAL");
    else return {};
    Classification c = result(Classification::Kind::LockRefused, key,
                              lineWith(texts, {lockedByOther, unversioned, skipped}, text));
    c.unlocksCheckout = true;
    c.clearsCheckout = true;
    return c;
}

Classification generalFailure(const Recognition &texts, const QString &text, const QString &caption)
{
    const QString notWorkingCopy = QStringLiteral("ERRO5_NAOECOPIATRAB");
    if (texts.failureIn(notWorkingCopy, text) && caption.contains(kCommitCaption))
        return result(Classification::Kind::General, QStringLiteral("ERRO_GERAL"), lineWith(texts, {notWorkingCopy}, text));
    static const QStringList keys = {
        QStringLiteral("ERRO7_ARQLERARQ"), QStringLiteral("ERRO2_FALHA_ADD_DIR"), QStringLiteral("ERRO_SERVIDOR"),
        QStringLiteral("ERRO8_SETARQ"), QStringLiteral("ERRO9_ERROARQ"), QStringLiteral("ERRO_SUBVERION_10"),
        QStringLiteral("ERRO_SUBVERSION_13"), QStringLiteral("ERRO_UPDATE"), QStringLiteral("ERRO6_ABRIRARQ")};
    for (const QString &key : keys) {
        if (texts.failureIn(key, text))
            return result(Classification::Kind::General, QStringLiteral("ERRO_GERAL"), lineWith(texts, {key}, text));
    }
    return {};
}

}

Classification Classify(const Recognition &texts, const QString &pollText, const QString &caption)
{
    if (pollText.isEmpty()) return {};
    if (Classification c = lockRefusal(texts, pollText, caption); c.failed()) return c;
    const QString locked = QStringLiteral("COPIATRAVADA");
    if (texts.failureIn(locked, pollText))
        return result(Classification::Kind::LockedWorkingCopy, QStringLiteral("ERRO_TRAVA_COPIA_DE_TRABALHO"),
                      lineWith(texts, {locked}, pollText));
    if (Classification c = generalFailure(texts, pollText, caption); c.failed()) return c;
    const QString commit = QStringLiteral("ERRO4_FALHACOMMIT");
    if (texts.failureIn(commit, pollText))
        return result(Classification::Kind::CommitFailed, QStringLiteral("FALHA_COMMIT"), lineWith(texts, {commit}, pollText));
    const QString outdated = QStringLiteral("COPIADESATUALIZADA");
    if (texts.failureIn(outdated, pollText)) {
        Classification c = result(Classification::Kind::OutdatedWorkingCopy, QStringLiteral("FALHA_LOCK"),
                                  lineWith(texts, {outdated}, pollText));
        c.unlocksCheckout = caption.contains(texts.text(QStringLiteral("ACAO_SUBVERSION_LOCK")));
        c.clearsCheckout = true;
        return c;
    }
    return {};
}

Classification ClassifyEnd(const Recognition &texts, const QString &output, int exitCode, bool crashed)
{
    if (exitCode == 0 && !crashed) return {};
    for (const QString &line : SplitLines(output)) {
        if (Recognition::isClientError(line) && !texts.listedFailure(line))
            return result(Classification::Kind::ClientError, QStringLiteral("ERRO_GERAL"), line);
    }
    return {};
}

}
