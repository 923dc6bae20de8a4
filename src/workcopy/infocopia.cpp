#include "workcopy/infocopia.h"
#include "vcs/commandline.h"
#include "vcs/recognition.h"
#include "vcs/runners.h"
#include "workflow/workflowcontext.h"
#include <QXmlStreamReader>

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
    InfoEntrada info;
    const qsizetype inicio = saida.indexOf(QStringLiteral("<info"));
    if (inicio < 0)
        return info;
    info.temInfo = true;
    QXmlStreamReader xml(saida.mid(inicio));
    int entradas = 0;
    QStringList caminho;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString nome = xml.name().toString();
            caminho << nome;
            if (nome == u"entry" && ++entradas > 1)
                break;
            if (entradas != 1)
                continue;
            if (caminho == QStringList{"info", "entry", "url"})
                info.url = xml.readElementText().trimmed(), caminho.removeLast();
            else if (caminho == QStringList{"info", "entry", "repository", "root"})
                info.raiz = xml.readElementText().trimmed(), caminho.removeLast();
            else if (caminho == QStringList{"info", "entry", "commit"})
                info.revisao = xml.attributes().value(QStringLiteral("revision")).toString();
        } else if (token == QXmlStreamReader::EndElement) {
            if (!caminho.isEmpty())
                caminho.removeLast();
        }
    }
    return info;
}

InfoEntrada InfoCopia::pergunta(const QString &path, int tentativas)
{
    const workflow::RepositoryAccount &conta = m_fluxo.conta();
    const QString caption = vcs::Recognition::mainWindow().text(QStringLiteral("GRAVA_RELEASE"));
    QStringList oculto;   // the hidden list of the window
    const vcs::LineSink sink = [&oculto](const QStringList &lines) { oculto << lines; };
    const workflow::WorkflowContext::Run run = m_fluxo.begin(m_fluxo.activity());
    QString saida;
    for (int i = 0; i < tentativas && !saida.contains(QStringLiteral("<info>")); ++i) {
        oculto.clear();
        vcs::CommandLine command = vcs::CommandLine::of(QStringLiteral("svn"));
        command.append(QStringLiteral("info")).append(QStringLiteral("--no-auth-cache")).append(QStringLiteral("--xml"))
            .append(QStringLiteral("--username")).append(conta.usuario)
            .append(QStringLiteral("--password")).appendMasked(conta.senha)
            .appendPath(path);
        m_fluxo.runner().Execute(caption, command, sink, true);
        saida = m_fluxo.runner().capturedText();
    }
    return Le(saida);
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
