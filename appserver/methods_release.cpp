#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

namespace {

bool isRevision(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!c.isDigit() || c.unicode() > 127)
            return false;
    return true;
}

// Sets one release column of a file of the activity; the file must be listed.
void setRelease(Database &db, const char *column, const Args &args, int codeArg, const QVariant &release,
                const char *method)
{
    bool numeric = false;
    const int code = args.text(codeArg).trimmed().toInt(&numeric);
    if (!numeric)
        throw appError("Código de arquivo inválido.",
                       QString("%1: file code \"%2\" is not a decimal number").arg(method, args.text(codeArg)));
    const QVariantList key{args.text(0).trimmed(), args.text(1).trimmed(), args.text(2).trimmed(), code};
    QSqlQuery found = db.run("SELECT 1 FROM arqcheckout WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?"
                             " AND CODIGO = ?",
                             key);
    if (!found.next())
        throw appError("Arquivo não encontrado na atividade.",
                       QString("%1: no file %2 in %3/%4/%5").arg(method).arg(code)
                           .arg(args.text(0), args.text(1), args.text(2)));
    db.run(QString("UPDATE arqcheckout SET %1 = ? WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?"
                   " AND CODIGO = ?").arg(column),
           QVariantList{release} + key);
}

}

// The release a file had before the work: a revision, 0 for a file not yet
// under version control, or empty when none could be read.
Reply setReleaseAntSVN(CallContext &ctx, const Args &args)
{
    QString release = args.text(4).trimmed();
    if (!release.isEmpty() && !isRevision(release))
        throw appError("Release inválida.", QString("SetReleaseAntSVN: release \"%1\" is not a revision").arg(release));
    // One spelling of "not under version control", which SetReleaseAntNula looks for.
    if (!release.isEmpty() && release.count('0') == release.size())
        release = "0";
    setRelease(ctx.db, "CDRELEASEARQANT", args, 3, release.isEmpty() ? QVariant() : QVariant(release),
               "SetReleaseAntSVN");
    return {};
}

// The release the check-in created (release fourth, file code fifth).
Reply setReleaseAtuSVN(CallContext &ctx, const Args &args)
{
    const QString release = args.text(3).trimmed();
    if (!isRevision(release))
        throw appError("Release inválida.", QString("SetReleaseAtuSVN: release \"%1\" is not a revision").arg(release));
    setRelease(ctx.db, "CDRELEASEARQATU", args, 4, release, "SetReleaseAtuSVN");
    return {};
}

// Whether a product (by code or product-group code) is under version control.
Reply getProdSubv(CallContext &ctx, const Args &args)
{
    const QString product = args.text(0).trimmed();
    Packet packet({str("CDPRODUTO", 10), str("NMPRODUTO", 50), str("IDPRODCONTRSUBV", 1)});
    QSqlQuery q = ctx.db.run("SELECT CDPRODUTO, NMPRODUTO, IDPRODCONTRSUBV FROM produto"
                             " WHERE CDPRODUTO = ? OR CDPRODGRUP = ? ORDER BY CDPRODUTO",
                             {product, product});
    if (q.next())
        packet.addRow(q);
    return packet.toJson();
}

// The next metadata release of a form-framework product: a counter per
// product tree code. Errors come back as "ERRO_<key>" texts, not as RPC
// errors, since the module reads this result raw.
Reply releaseMetaDados(CallContext &ctx, const Args &args)
{
    const QString login = args.text(0).trimmed();
    const QString tree = args.text(4).trimmed();
    if (login.isEmpty())
        return QJsonValue("ERRO_USUARIO_NAO_INFORMADO");
    ctx.db.run("UPDATE releasemeta SET NRRELEASE = NRRELEASE + 1 WHERE CDARVPROD = ?", {tree});
    QSqlQuery q = ctx.db.run("SELECT NRRELEASE FROM releasemeta WHERE CDARVPROD = ?", {tree});
    if (!q.next())
        return QJsonValue("ERRO_PROD_NAO_PARAM");
    const int release = q.value(0).toInt();
    ctx.db.run("INSERT INTO releasemeta_ativ (CDARVPROD, NRRELEASE, CDFILIAL, NRTAREFA, NRPLATIVTARE, NMLOGIN,"
               " DTGERACAO) VALUES (?, ?, ?, ?, ?, ?, ?)",
               {tree, release, args.text(1).trimmed(), args.text(2).trimmed(), args.text(3).trimmed(), login,
                formatStamp(QDateTime::currentDateTime())});
    return QJsonValue(QString::number(release));
}

// After the scripts of an activity went into the repository: a file that
// was not under version control before the work (release "0") has no
// release before it. Real releases recorded for other files stay.
Reply setReleaseAntNula(CallContext &ctx, const Args &args)
{
    const QVariantList key{args.text(0).trimmed(), args.text(1).trimmed(), args.text(2).trimmed()};
    QSqlQuery known = ctx.db.run("SELECT 1 FROM planativtare WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ?",
                                 key);
    if (!known.next())
        throw appError("Atividade não encontrada no plano.",
                       QString("SetReleaseAntNula: no activity %1/%2/%3").arg(args.text(0), args.text(1), args.text(2)));
    known.finish();
    ctx.db.run("UPDATE arqcheckout SET CDRELEASEARQANT = NULL"
               " WHERE CDFILIAL = ? AND NRTAREFA = ? AND NRPLATIVTARE = ? AND CDRELEASEARQANT = '0'",
               key);
    return {};
}

}
