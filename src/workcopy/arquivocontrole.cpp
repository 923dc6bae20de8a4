#include "workcopy/arquivocontrole.h"
#include "host/services.h"
#include "workcopy/textos.h"
#include <QDir>
#include <QFileInfo>

namespace workcopy {

namespace {

QString ultimoComponente(const QString &path)
{
    return path.mid(path.lastIndexOf(u'\\') + 1);
}

bool ehArquivo(const QString &path)
{
    return ultimoComponente(path).compare(ArquivoControle::nome(), Qt::CaseInsensitive) == 0;
}

}

QString ArquivoControle::CompletaCaminho(const QString &dirOrPath)
{
    QString path = dirOrPath;
    if (!path.endsWith(u'\\') && !ehArquivo(path))
        path += u'\\' + nome();
    if (!ehArquivo(path))
        path += nome();
    return path;
}

QString ArquivoControle::TextoData(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

ArquivoControle::ArquivoControle(const vcs::PathMap &paths) : m_paths(paths)
{
    inicia();
}

void ArquivoControle::inicia()
{
    m_cds.close();
    m_cds.defineFields({{QStringLiteral("CDPRODUTO"), qor::FieldType::String, 10},
                        {QStringLiteral("DTATUPRODSUBVER"), qor::FieldType::DateTime, 0},
                        {QStringLiteral("DTULTIMOUPDATE"), qor::FieldType::String, 20}});
    m_cds.open();
}

bool ArquivoControle::existe(const QString &path) const
{
    return QFileInfo(m_paths.toHost(path)).isFile();
}

bool ArquivoControle::carrega(const QString &path)
{
    if (!existe(path)) {
        inicia();
        return false;
    }
    qor::RecordSet lido{QStringLiteral("cdsControle")};
    const bool ok = lido.loadFromFile(m_paths.toHost(path)) && lido.findField(QStringLiteral("CDPRODUTO"))
                    && lido.findField(QStringLiteral("DTATUPRODSUBVER")) && lido.findField(QStringLiteral("DTULTIMOUPDATE"));
    inicia();
    if (!ok) {
        qor::ShowWarning(MsgF(QStringLiteral("CONTROLE_ILEGIVEL"), {path}));
        return false;
    }
    for (lido.first(); !lido.eof(); lido.next()) {
        m_cds.append();
        for (const char *field : {"CDPRODUTO", "DTATUPRODSUBVER", "DTULTIMOUPDATE"})
            m_cds.fieldByName(QString::fromLatin1(field)).setValue(lido.fieldByName(QString::fromLatin1(field)).value());
        m_cds.post();
    }
    return true;
}

bool ArquivoControle::localiza(const QString &produto)
{
    return m_cds.locate(QStringLiteral("CDPRODUTO"), {produto});
}

void ArquivoControle::registra(const QString &produto, const QDateTime &estado, const QDateTime &agora)
{
    if (localiza(produto)) {
        m_cds.edit();
    } else {
        m_cds.append();
        m_cds.fieldByName(QStringLiteral("CDPRODUTO")).setValue(produto);
    }
    m_cds.fieldByName(QStringLiteral("DTATUPRODSUBVER")).setValue(estado);
    m_cds.fieldByName(QStringLiteral("DTULTIMOUPDATE")).setValue(TextoData(agora));
    m_cds.post();
}

void ArquivoControle::grava(const QString &path)
{
    const QString host = m_paths.toHost(path);
    QDir().mkpath(QFileInfo(host).path());
    m_cds.mergeChangeLog();
    // saveToFile writes a temporary file and renames it over the old one.
    if (!m_cds.saveToFile(host))
        qor::MensErro(MsgF(QStringLiteral("CONTROLE_NAO_GRAVADO"), {path}));
}

}
