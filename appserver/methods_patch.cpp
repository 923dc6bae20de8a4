#include "database.h"
#include "handlers.h"
#include "packet.h"
#include "rpcerror.h"

namespace apr {

namespace {

// A patch phase is named by its date; a request without one keeps its files under "".
QString phaseOf(const Args &args, int i)
{
    const std::optional<QDateTime> when = args.date(i);
    return when ? formatStamp(*when) : QString();
}

struct RequestVersion {
    QString product;
    QVariant version, release, patch, phase;
};

RequestVersion requestVersion(Database &db, const QString &filial, const QString &request)
{
    QSqlQuery q = db.run("SELECT s.CDPRODGRUP, v.CDVERPROORIG, v.CDRELVERORIG, v.CDPATRELORIG, v.DTALFASETRAM"
                         " FROM solicitacao s LEFT JOIN versaosoli v ON v.NRSOLISERV = s.NRSOLISERV"
                         " WHERE s.NRSOLISERV = ? AND (s.CDFILIAL = ? OR ? = '')",
                         {request, filial, filial});
    if (!q.next())
        throw appError("Solicitação não encontrada.",
                       QString("no request %1 in branch %2").arg(request, filial));
    return {q.value(0).toString(), q.value(1), q.value(2), q.value(3), q.value(4)};
}

int nextSequence(Database &db, const QString &filial, const QString &request, const QString &phase)
{
    QSqlQuery q = db.run("SELECT MAX(NRSEQPATCH) FROM patchtram WHERE CDFILIAL = ? AND NRSOLISERV = ?"
                         " AND DTFASEPATCH = ?",
                         {filial, request, phase});
    return q.next() && !q.value(0).isNull() ? q.value(0).toInt() + 1 : 1;
}

QStringList patchFiles(Database &db, const QString &filial, const QString &request, const QString &phase)
{
    QSqlQuery q = db.run("SELECT DSARQPATCH FROM patchtram WHERE CDFILIAL = ? AND NRSOLISERV = ?"
                         " AND DTFASEPATCH = ? ORDER BY NRSEQPATCH, DSARQPATCH",
                         {filial, request, phase});
    QStringList files;
    while (q.next())
        files << q.value(0).toString();
    return files;
}

Packet filesPacket(const QStringList &files)
{
    Packet packet({str("DSARQPATCH", 250)});
    for (const QString &file : files)
        packet.addRow(QVariantList{file});
    return packet;
}

// Scripts of the data model: the database updates kept under sql\atualiza_bd.
bool isModellingScript(const QString &file)
{
    return file.contains(QLatin1String("\\sql\\atualiza_bd\\"), Qt::CaseInsensitive);
}

QString phaseStamp(const QVariant &phase)
{
    return phase.isNull() ? QString() : phase.toString();
}

}

// The version, release and patch the request goes out in, its patch-phase
// date, the next free sequence of that patch, and the product's root working
// copy with its repository directory.
Reply getVersao(CallContext &ctx, const Args &args)
{
    const QString request = args.text(0).trimmed();
    const QString filial = args.text(1).trimmed();
    const RequestVersion v = requestVersion(ctx.db, filial, request);
    QSqlQuery dirs = ctx.db.run("SELECT DSDIRBASEVER, DSDIRVSS FROM produto_dir WHERE CDPRODUTO = ?"
                                " ORDER BY NRSEQDIR",
                                {v.product});
    QVariant base, vss;
    if (dirs.next()) {
        base = dirs.value(0);
        vss = dirs.value(1);
    }
    Packet packet({str("CDVERPROORIG", 10), str("CDRELVERORIG", 10), str("CDPATRELORIG", 10), dt("DTALFASETRAM"),
                   str("NRSEQPATCH", 40), str("DSDIRBASEVER", 30), str("DSDIRVSS", 250)});
    const int sequence = nextSequence(ctx.db, filial, request, phaseStamp(v.phase));
    packet.addRow(QVariantList{v.version, v.release, v.patch, v.phase, QString::number(sequence), base, vss});
    return packet.toJson();
}

// The files registered on the patch of the phase with that date.
Reply getArquivosPatch(CallContext &ctx, const Args &args)
{
    return filesPacket(patchFiles(ctx.db, args.text(0).trimmed(), args.text(1).trimmed(), phaseOf(args, 2)))
        .toJson();
}

// The modelling scripts registered for the request's current patch phase.
Reply getPatchFaseTram(CallContext &ctx, const Args &args)
{
    const QString filial = args.text(0).trimmed();
    const QString request = args.text(1).trimmed();
    const RequestVersion v = requestVersion(ctx.db, filial, request);
    QStringList scripts;
    for (const QString &file : patchFiles(ctx.db, filial, request, phaseStamp(v.phase)))
        if (isModellingScript(file))
            scripts << file;
    return filesPacket(scripts).toJson();
}

// Registers a file on the patch. Its by-reference result is an array whose
// element 0 is "True" when the file went in and "False" when the patch
// already has it (in any case), element 1 saying why.
Reply insPatchTram(CallContext &ctx, const Args &args)
{
    const QString filial = args.text(0).trimmed();
    const QString request = args.text(1).trimmed();
    bool numeric = false;
    const int sequence = args.text(2).trimmed().toInt(&numeric);
    const QString file = args.text(3);
    if (!numeric || sequence <= 0)
        throw appError("Sequência da patch inválida.",
                       QString("InsPatchTram: sequence \"%1\" is not a positive number").arg(args.text(2)));
    if (file.trimmed().isEmpty())
        throw appError("Arquivo não informado.", "InsPatchTram: empty file name");
    requestVersion(ctx.db, filial, request);
    const QString phase = phaseOf(args, 8);
    Reply reply;
    for (const QString &registered : patchFiles(ctx.db, filial, request, phase)) {
        if (registered.compare(file, Qt::CaseInsensitive) == 0) {
            reply.byref = QJsonArray{QJsonArray{"False", "Arquivo já cadastrado na patch."}};
            return reply;
        }
    }
    ctx.db.run("INSERT INTO patchtram (CDFILIAL, NRSOLISERV, DTFASEPATCH, DSARQPATCH, NRSEQPATCH, CDPRODGRUP,"
               " CDVERPROORIG, CDRELVERORIG, CDPATRELORIG, DTINCLUSAO) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
               {filial, request, phase, file, sequence, args.text(4), args.text(5), args.text(6), args.text(7),
                formatStamp(QDateTime::currentDateTime())});
    reply.byref = QJsonArray{QJsonArray{"True", QString()}};
    return reply;
}

// Takes a file off the patch of the phase with that date.
Reply delPatchTram(CallContext &ctx, const Args &args)
{
    const QString request = args.text(0).trimmed();
    const QString filial = args.text(1).trimmed();
    const QString file = args.text(2);
    const QString phase = phaseOf(args, 3);
    for (const QString &registered : patchFiles(ctx.db, filial, request, phase))
        if (registered.compare(file, Qt::CaseInsensitive) == 0)
            ctx.db.run("DELETE FROM patchtram WHERE CDFILIAL = ? AND NRSOLISERV = ? AND DTFASEPATCH = ?"
                       " AND DSARQPATCH = ?",
                       {filial, request, phase, registered});
    return {};
}

}
