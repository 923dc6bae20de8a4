#pragma once
#include "host/recordset.h"
#include "vcs/pathmap.h"
#include <QDateTime>

namespace workcopy {

// The local control file of product updates, "svnupdate_workdir.cds": one
// record per product with the server's product state at the last update and
// when that update ran ("DD/MM/YYYY HH:NN:SS").
class ArquivoControle {
public:
    static QString nome() { return QStringLiteral("svnupdate_workdir.cds"); }
    // A directory, with or without "\", becomes the file's path; a path stays.
    static QString CompletaCaminho(const QString &dirOrPath);
    static QString TextoData(const QDateTime &when);   // DD/MM/YYYY HH:NN:SS

    explicit ArquivoControle(const vcs::PathMap &paths);

    bool existe(const QString &path) const;
    // Loads the whole file. An unreadable one (corrupt, foreign) is reported as
    // a warning and counts as absent: false, with empty records.
    bool carrega(const QString &path);
    // Starts empty records.
    void inicia();
    // Writes the whole file through a temporary one renamed over it; a failure ends the operation.
    void grava(const QString &path);

    // The product's record, added when missing; its state and update time set.
    void registra(const QString &produto, const QDateTime &estado, const QDateTime &agora);
    // The product's record or false.
    bool localiza(const QString &produto);

    qor::RecordSet &registros() { return m_cds; }

private:
    const vcs::PathMap &m_paths;
    qor::RecordSet m_cds{QStringLiteral("cdsControle")};
};

}
