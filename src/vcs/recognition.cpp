#include "vcs/recognition.h"
#include <QRegularExpression>

static void initVcsResources() { Q_INIT_RESOURCE(vcs); }

namespace vcs {

namespace {

const QRegularExpression &clientError()
{
    static const QRegularExpression code(QStringLiteral("svn: E\\d{6}:"));
    return code;
}

}

Recognition::Recognition(const QString &resourcePath, const QString &alternativesPath)
{
    initVcsResources();
    m_messages.loadResource(resourcePath);
    if (!alternativesPath.isEmpty()) m_messages.loadResource(alternativesPath);
}

const Recognition &Recognition::mainWindow()
{
    static const Recognition texts(QStringLiteral(":/vcs/window.msg"), QStringLiteral(":/vcs/messages.txt"));
    return texts;
}

const qor::TMessages &LayerTexts()
{
    initVcsResources();
    static const qor::TMessages texts(QStringLiteral(":/vcs/layer.msg"));
    return texts;
}

bool Recognition::isClientError(const QString &line)
{
    return clientError().match(line).hasMatch();
}

const Recognition &Recognition::logViewer()
{
    static const Recognition texts(QStringLiteral(":/vcs/history.txt"));
    return texts;
}

QStringList Recognition::failureKeys()
{
    return {QStringLiteral("COPIADESATUALIZADA"), QStringLiteral("ERRO_SERVIDOR"), QStringLiteral("COPIATRAVADA"),
            QStringLiteral("ERRO3_ARQ_BLOQUEADO"), QStringLiteral("ERRO5_NAOECOPIATRAB"), QStringLiteral("COPINAOEXISTE"),
            QStringLiteral("ERRO7_ARQLERARQ"), QStringLiteral("ERRO2_FALHA_ADD_DIR"), QStringLiteral("ERRO8_SETARQ"),
            QStringLiteral("ERRO9_ERROARQ"), QStringLiteral("ERRO6_ABRIRARQ"), QStringLiteral("ERRO_SUBVERION_10"),
            QStringLiteral("ERRO_SUBVERSION_11"), QStringLiteral("ERRO_SUBVERSION_12"), QStringLiteral("ERRO4_FALHACOMMIT"),
            QStringLiteral("ERRO_UPDATE")};
}

QStringList Recognition::successKeys()
{
    return {QStringLiteral("ATUALIZADO1"), QStringLiteral("ATUALIZADO2"), QStringLiteral("ARQDESTRAVADO"),
            QStringLiteral("TRAVAREALIZADA"), QStringLiteral("GERADA_COPIA"), QStringLiteral("COMMITREALIZADO")};
}

bool Recognition::failureIn(const QString &key, const QString &output) const
{
    return m_messages.foundIn(key, output);
}

bool Recognition::lineCarriesFailure(const QString &line) const
{
    if (line.contains(QStringLiteral("Fatal")) || line.contains(QStringLiteral("Erro"))) return true;
    return isClientError(line) || listedFailure(line);
}

bool Recognition::listedFailure(const QString &line) const
{
    for (const QString &key : failureKeys()) {
        if (m_messages.foundIn(key, line)) return true;
    }
    return false;
}

bool Recognition::successIn(const QString &key, const QString &output) const
{
    if (!m_messages.foundIn(key, output)) return false;
    for (const QString &line : SplitLines(output)) {
        if (m_messages.foundIn(key, line) && !lineCarriesFailure(line)) return true;
    }
    return false;
}

Recognition::Tone Recognition::toneOf(const QString &line) const
{
    if (lineCarriesFailure(line)) return Tone::Failure;
    for (const QString &key : successKeys()) {
        if (m_messages.foundIn(key, line)) return Tone::Success;
    }
    return Tone::Normal;
}

QStringList SplitLines(const QString &text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(breaks);
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}
