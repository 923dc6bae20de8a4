#include "workcopy/renomeiadiretorios.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "vcs/svnclient.h"
#include "workcopy/textos.h"
#include "workflow/workflowcontext.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <cstdio>
#include <cstring>

namespace workcopy {

namespace {

QString semBarra(QString path)
{
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path;
}

}

bool RenomeiaDiretorios::LeVersao(const QString &texto, int &major, int &minor)
{
    static const QRegularExpression versao(QStringLiteral("(\\d+)\\.(\\d+)"));
    const QRegularExpressionMatch m = versao.match(texto.trimmed());
    if (!m.hasMatch() || m.capturedStart() != 0)
        return false;
    major = m.captured(1).toInt();
    minor = m.captured(2).toInt();
    return true;
}

bool RenomeiaDiretorios::NaoVersionados(const vcs::SvnXmlStatus &status, QSet<QString> &naoVersionados)
{
    for (const vcs::SvnXmlStatusEntry &entrada : status.entries)
        if (entrada.item == u"unversioned" || entrada.item == u"ignored")
            naoVersionados.insert(semBarra(entrada.path).toLower());
    return status.complete;
}

QStringList RenomeiaDiretorios::GetSubDirs(const QString &dir) const
{
    const vcs::LogicalFs fs(m_ctx.paths);
    QStringList todos;
    QStringList nivel{semBarra(dir)};
    while (!nivel.isEmpty()) {
        QStringList proximo;
        for (const QString &d : nivel)
            for (const vcs::LogicalFs::Entry &entry : fs.list(d, {}, vcs::LogicalFs::Directories))
                if (!entry.hidden && !entry.name.startsWith(u'.'))
                    proximo << entry.path;
        todos << proximo;
        nivel = proximo;
    }
    return todos;
}

bool RenomeiaDiretorios::RenameDir(const QString &from, const QString &to, QString *erro) const
{
    const QByteArray de = QFile::encodeName(m_ctx.paths.toHost(semBarra(from)));
    // Never over an existing directory (the update may have brought one of
    // that name): POSIX rename would replace an empty one silently.
    // The new name is taken as written: the path layer would match it to the old one by case.
    const QString destino = semBarra(to);
    const qsizetype barra = destino.lastIndexOf(u'\\');
    const QByteArray para = QFile::encodeName(m_ctx.paths.toHost(destino.left(barra)) + u'/' + destino.mid(barra + 1));
    if (de.isEmpty() || para.isEmpty() || ::renameat2(AT_FDCWD, de.constData(), AT_FDCWD, para.constData(), RENAME_NOREPLACE) != 0) {
        if (erro)
            *erro = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    return true;
}

void RenomeiaDiretorios::busy(const QString &key, const QString &path) const
{
    qor::ActiveShowAvi(nullptr, 6, MsgF(key, {QStringLiteral("- (..") + path.mid(19) + u')'}));
}

vcs::SvnRun RenomeiaDiretorios::pergunta()
{
    // lsbDirInfo: the answers are read from the raw output.
    return m_ctx.fluxo.on(Msg(QStringLiteral("EXEC_SVN_INFO")), [](const QStringList &) {});
}

RenomeiaDiretorios::Teste RenomeiaDiretorios::teste()
{
    const QString versao = m_ctx.fluxo.svn().version(pergunta()).output;
    int major = 0, minor = 0;
    if (!LeVersao(versao, major, minor))
        return Teste::PastaSvn;
    // From 1.7 on one administrative directory serves the whole working copy.
    return major > 1 || minor >= 7 ? Teste::Info : Teste::PastaSvn;
}

RenomeiaDiretorios::Resposta RenomeiaDiretorios::perguntaInfo(const QString &dir)
{
    for (int rodada = 0; rodada < 3; ++rodada) {
        vcs::SvnInfo info;
        const auto calado = [&info] { return QString(info.output).remove(u'\r').remove(u'\n').isEmpty(); };
        for (int i = 0; i < 3 && calado(); ++i) {
            ++m_perguntasInfo;
            info = m_ctx.fluxo.svn().info(pergunta(), dir, vcs::SvnClient::InfoOrder::XmlFirst);
        }
        if (!calado())
            return info.url.isEmpty() ? Resposta::NaoVersionado : Resposta::Versionado;
        qor::DialogRequest request;
        request.kind = qor::DialogRequest::Question;
        request.text = MsgF(QStringLiteral("SVN_INFO_SEM_RETORNO"), {dir});
        request.buttons = {QStringLiteral("Sim"), QStringLiteral("Não"), QStringLiteral("Repetir")};
        request.defaultButton = 2;
        const int escolha = m_ctx.fluxo.dialogs().show(request);
        if (escolha == 0)
            return Resposta::NaoVersionado;
        if (escolha == 1)
            return Resposta::Versionado;
    }
    return Resposta::Desiste;
}

bool RenomeiaDiretorios::listaEmBloco(const QString &dir, QSet<QString> &naoVersionados)
{
    return NaoVersionados(m_ctx.fluxo.svn().statusTree(pergunta(), semBarra(dir).toLower()), naoVersionados);
}

void RenomeiaDiretorios::RenomeiaDirSemSVN_AntesGet(const QString &dir)
{
    qor::ActiveShowAvi(nullptr, 6, Msg(QStringLiteral("LISTA_DIR")));
    QStringList &renomeados = m_ctx.fluxo.listas().dirRenomeados;
    renomeados.clear();
    const Teste modo = teste();
    m_stDataRenomeio = m_ctx.agora().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    QStringList subdirs = GetSubDirs(dir);
    subdirs.sort();
    // One status of the whole tree answers for every directory it lists or
    // leaves out; only a nested copy it lists as foreign is asked on its own.
    QSet<QString> naoVersionados;
    const bool emBloco = modo == Teste::Info && !m_porDiretorio && listaEmBloco(dir, naoVersionados);
    const vcs::LogicalFs fs(m_ctx.paths);
    for (const QString &sub : subdirs) {
        busy(QStringLiteral("RENOMEIA_DIR_ANTES"), sub);
        if (!fs.isDirectory(sub))
            continue;
        bool naoVersionado = false;
        if (modo == Teste::PastaSvn) {
            naoVersionado = !fs.exists(sub + QStringLiteral("\\.svn"));
        } else if (emBloco && !(naoVersionados.contains(sub.toLower()) && fs.exists(sub + QStringLiteral("\\.svn")))) {
            naoVersionado = naoVersionados.contains(sub.toLower());
        } else {
            const Resposta resposta = perguntaInfo(sub);
            if (resposta == Resposta::Desiste)
                break;
            naoVersionado = resposta == Resposta::NaoVersionado;
        }
        if (!naoVersionado)
            continue;
        if (sub.contains(marca())) {
            renomeados << sub;
            continue;
        }
        const QString novo = sub + marca() + m_stDataRenomeio;
        if (RenameDir(sub, novo))
            renomeados << novo;
    }
    qor::ActiveShowAvi(nullptr, 6, Msg(QStringLiteral("DADOS_SUBVERSION")));
}

void RenomeiaDiretorios::RenomeiaDirSemSVN_DepoisGet()
{
    QStringList &renomeados = m_ctx.fluxo.listas().dirRenomeados;
    renomeados.sort();
    const vcs::LogicalFs fs(m_ctx.paths);
    QStringList log;
    QStringList naoRestaurados;
    int falhas = 0;
    for (QString &entrada : renomeados) {
        busy(QStringLiteral("RENOMEIA_DIR_DEPOIS"), entrada);
        if (!fs.isDirectory(entrada))
            continue;
        const QString antigo = entrada.left(entrada.indexOf(marca()));
        QString erro;
        if (RenameDir(entrada, antigo, &erro)) {
            entrada += QStringLiteral("=RENOMEADO");
            continue;
        }
        ++falhas;
        naoRestaurados << entrada;
        log << MsgF(QStringLiteral("RENAME_ERROR"), {entrada, antigo, erro}) << QStringLiteral("-");
        entrada += u'=' + erro;
    }
    if (falhas > 0) {
        QStringList linhas{QString(239, u'='), QString(), QString(), Msg(QStringLiteral("NO_RENAME")), QString()};
        // The directories that keep their marked names; one that no longer exists keeps none.
        linhas << naoRestaurados;
        const QString workDir = m_ctx.dirTrabalho();
        if (!workDir.isEmpty()) {
            const QString arquivo = workDir + QStringLiteral("Diretorios_Nao_Renomeados_Apos_Get_") + m_stDataRenomeio
                                    + QStringLiteral(".txt");
            const QString host = m_ctx.paths.toHost(arquivo);
            QDir().mkpath(QFileInfo(host).path());
            QFile file(host);
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write((log.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
            linhas << QString() << Msg(QStringLiteral("RENAME_LOG")) + u' ' + arquivo;
        }
        m_ctx.progresso(linhas);
    }
    qor::ActiveShowAvi(nullptr, 6, Msg(QStringLiteral("DADOS_SUBVERSION")));
}

}
