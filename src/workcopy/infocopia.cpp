#include "workcopy/infocopia.h"
#include "vcs/recognition.h"
#include "vcs/svnclient.h"
#include "workflow/workflowcontext.h"

namespace workcopy {

namespace {

QString semBarraFinal(QString url)
{
    if (url.endsWith(u'/'))
        url.chop(1);
    return url;
}

}

InfoEntrada InfoCopia::Le(const QString &saida)
{
    const vcs::SvnInfo info = vcs::SvnClient::parseInfo(saida);
    return {info.url, info.root, info.revision, info.answered};
}

InfoEntrada InfoCopia::pergunta(const QString &path, int tentativas)
{
    const QString caption = vcs::Recognition::mainWindow().text(QStringLiteral("GRAVA_RELEASE"));
    QStringList oculto;   // the hidden list of the window
    const vcs::LineSink sink = [&oculto](const QStringList &lines) { oculto << lines; };
    const workflow::WorkflowContext::Run run = m_fluxo.begin(m_fluxo.activity());
    vcs::SvnInfo info;
    for (int i = 0; i < tentativas && !info.answered; ++i) {
        oculto.clear();
        info = m_fluxo.svn().info(m_fluxo.on(caption, sink), path);
    }
    m_ultima = {info.url, info.root, info.revision, info.answered};
    return m_ultima;
}

QString InfoCopia::CopiaURL(const QString &path)
{
    return pergunta(path, 10).url;
}

QString InfoCopia::CopiaRelease(const QString &path)
{
    if (path.isEmpty())
        return {};
    return pergunta(path, 1).revisao;
}

bool InfoCopia::MesmaLocalizacao(const InfoEntrada &info, const QString &url)
{
    if (info.url.isEmpty())
        return false;
    QString esperada = semBarraFinal(url.trimmed());
    if (esperada.startsWith(u'/') && !info.raiz.isEmpty())
        esperada = semBarraFinal(info.raiz) + esperada;
    return semBarraFinal(info.url).compare(esperada, Qt::CaseInsensitive) == 0;
}

bool InfoCopia::Verifica_Copia_Trabalho(const QString &dir, const QString &url)
{
    return MesmaLocalizacao(pergunta(dir, 10), url);
}

}
