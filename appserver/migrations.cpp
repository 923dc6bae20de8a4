#include "migrations.h"
#include "database.h"
#include "rpcerror.h"
#include <QThread>
#include <stdexcept>

namespace apr {

namespace {

// Version 1: the suite's data that the remote methods name. Text columns,
// dates as "YYYY-MM-DDTHH:MM:SS" text, numbers as DOUBLE PRECISION/INTEGER.
const QStringList baseTables = {
    "CREATE TABLE empresa (CDEMPRESA TEXT PRIMARY KEY, NMEMPRESA TEXT)",
    "CREATE TABLE filial (CDFILIAL TEXT PRIMARY KEY, CDEMPRESA TEXT, NMFILIAL TEXT,"
    " QTLIMSEMAPROP DOUBLE PRECISION, CDPROCMONITORA TEXT, CDPROCATEINT TEXT, CDPROCATEDES TEXT)",
    "CREATE TABLE operador (CDOPERADOR TEXT PRIMARY KEY, NMOPERADOR TEXT, NMLOGIN TEXT,"
    " CDFILIAL TEXT, CDGRUPOPER TEXT)",
    // Developers by their network login (the repository user without "svn_").
    "CREATE TABLE operdesenv (NMLOGIN TEXT PRIMARY KEY, CDOPERADOR TEXT NOT NULL, CDGRUPOPER TEXT)",
    "CREATE TABLE produto (CDPRODUTO TEXT PRIMARY KEY, NMPRODUTO TEXT, CDPRODGRUP TEXT,"
    " CDARVPROD TEXT, IDPRODCONTRSUBV TEXT, DTATUPRODSUBVER TEXT)",
    // Working-copy base directory and repository location, several per product.
    "CREATE TABLE produto_dir (CDPRODUTO TEXT NOT NULL, NRSEQDIR INTEGER NOT NULL,"
    " DSDIRBASEVER TEXT, DSDIRVSS TEXT, PRIMARY KEY (CDPRODUTO, NRSEQDIR))",
    "CREATE TABLE cliente (CDCLIENTE TEXT PRIMARY KEY, NMFANTCLIE TEXT)",
    "CREATE TABLE projeto (CDPROJETO TEXT PRIMARY KEY, NMPROJETO TEXT, DSPROJETO TEXT,"
    " CDFILIAL TEXT, IDSITPROJETO TEXT)",
    "CREATE TABLE solicitacao (NRSOLISERV TEXT PRIMARY KEY, CDFILIAL TEXT, CDPROJETO TEXT,"
    " CDPRODGRUP TEXT, CDCLIENTE TEXT, DSREFESOLI TEXT, DSSOLISERV TEXT, NMOPERSOLI TEXT,"
    " NMASSUNTO TEXT, DTPREVENCSOL TEXT, DTCOMPROMISS TEXT, DSSTFASETRAM TEXT)",
    "CREATE TABLE tarefa (CDFILIAL TEXT NOT NULL, NRTAREFA TEXT NOT NULL, NRSOLISERV TEXT,"
    " DSREFETAREFA TEXT, NRPRIOTAREFA TEXT, IDORIGTARE TEXT, PRIMARY KEY (CDFILIAL, NRTAREFA))",
    "CREATE TABLE processo (CDPROCESSO TEXT PRIMARY KEY, NMPROCESSO TEXT, CDQUALIFPROC TEXT)",
    "CREATE TABLE qualificacao (CDPROCESSO TEXT NOT NULL, CDQUALIFPROC TEXT NOT NULL,"
    " NMQUALIFPROC TEXT, PRIMARY KEY (CDPROCESSO, CDQUALIFPROC))",
    "CREATE TABLE itemtrab (CDITEMTRAB TEXT PRIMARY KEY, CDREDUITTRAB TEXT, NMITEMTRAB TEXT,"
    " CDARVITTRAB TEXT, CDTIPOITTRAB TEXT, DSDIRRAIZARQ TEXT)",
    "CREATE TABLE itemtrab_dir (CDITEMTRAB TEXT NOT NULL, CDPRODUTO TEXT NOT NULL,"
    " NRSEQDIR INTEGER NOT NULL, DSDIRARQFONTIT TEXT, PRIMARY KEY (CDITEMTRAB, CDPRODUTO, NRSEQDIR))",
    // Check-out state of a work item in a product.
    "CREATE TABLE itemtrab_prod (CDITEMTRAB TEXT NOT NULL, CDPRODUTO TEXT NOT NULL,"
    " IDSITCHECKOUT TEXT, CDOPCHECKOUT TEXT, PRIMARY KEY (CDITEMTRAB, CDPRODUTO))",
    "CREATE TABLE planativtare (CDFILIAL TEXT NOT NULL, NRTAREFA TEXT NOT NULL,"
    " NRPLATIVTARE TEXT NOT NULL, CDPROCESSO TEXT, CDITEMTRAB TEXT, IDSITATIVTAR TEXT,"
    " NRPRIOATIVTR TEXT, CDOPERRESP TEXT, CDOPERINCL TEXT, DTINCATIVTAR TEXT,"
    " DTINPATIVTAR TEXT, DTFIPATIVTAR TEXT, DTFIRATIVTAR TEXT, DTCONATIVTAR TEXT,"
    " NRCPLXITATIV DOUBLE PRECISION, NRREPETATIV TEXT, VRFATOCPLX DOUBLE PRECISION,"
    " DSTEMPLAITAR TEXT, DTHRREUNIAO TEXT, QTDEATIV DOUBLE PRECISION, IDGERATVCONS TEXT,"
    " IDSTATUSATESTE TEXT, IDAUTOTESTE TEXT, CDQUALIFPROC TEXT,"
    " PRIMARY KEY (CDFILIAL, NRTAREFA, NRPLATIVTARE))",
    // Work items of an activity.
    "CREATE TABLE itemtarefa (CDFILIAL TEXT NOT NULL, NRTAREFA TEXT NOT NULL,"
    " NRPLATIVTARE TEXT NOT NULL, CDITEMTRAB TEXT NOT NULL, NRCPLXITTARE DOUBLE PRECISION,"
    " DSDIRARQFONT TEXT, IDSITCHECKOUT TEXT,"
    " PRIMARY KEY (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDITEMTRAB))",
    // Files under check-out of an activity with their releases before and after the work.
    "CREATE TABLE arqcheckout (CDFILIAL TEXT NOT NULL, NRTAREFA TEXT NOT NULL,"
    " NRPLATIVTARE TEXT NOT NULL, CODIGO INTEGER NOT NULL, ARQUIVO TEXT NOT NULL,"
    " CDRELEASEARQANT TEXT, CDRELEASEARQATU TEXT, IDADICIONADODEPOIS TEXT,"
    " PRIMARY KEY (CDFILIAL, NRTAREFA, NRPLATIVTARE, CODIGO))",
    "CREATE TABLE resposta (CDFILIAL TEXT NOT NULL, NRTAREFA TEXT NOT NULL,"
    " NRPLATIVTARE TEXT NOT NULL, NRSEQRESP INTEGER NOT NULL, TXRESPOSTA TEXT, DTRESPOSTA TEXT,"
    " CDOPERADOR TEXT, PRIMARY KEY (CDFILIAL, NRTAREFA, NRPLATIVTARE, NRSEQRESP))",
    "CREATE TABLE patchtram (CDFILIAL TEXT NOT NULL, NRSOLISERV TEXT NOT NULL,"
    " NMARQUIVO TEXT NOT NULL, DTFASEPATCH TEXT, CDOPERADOR TEXT, DTINCLUSAO TEXT,"
    " PRIMARY KEY (CDFILIAL, NRSOLISERV, NMARQUIVO))",
    "CREATE TABLE progoperopc (CDPROGRAMA TEXT NOT NULL, CDOPERADOR TEXT NOT NULL,"
    " TXPROPRIED TEXT, PRIMARY KEY (CDPROGRAMA, CDOPERADOR))",
    // Attendances (internal "I" or external "E"); open while DTFIMATEND is null.
    "CREATE TABLE atendimento (CDFILIAL TEXT NOT NULL, CDOPERADOR TEXT NOT NULL,"
    " DTINIATEND TEXT NOT NULL, NRTAREFA TEXT, NRPLATIVTARE TEXT, CDPROCESSO TEXT,"
    " IDATENDIMENTO TEXT, CDCLIENTE TEXT, DSOBSERVACAO TEXT, DTFIMATEND TEXT,"
    " PRIMARY KEY (CDFILIAL, CDOPERADOR, DTINIATEND))",
    "CREATE TABLE acao (NRACAO TEXT PRIMARY KEY, CDOPERRESP TEXT, DSACAO TEXT,"
    " STATUSACAO TEXT, DTPREVENCEAC TEXT, DTCONCLUSAO TEXT)",
    // Working time booked against an activity.
    "CREATE TABLE apropriacao (CDOPERADOR TEXT NOT NULL, CDFILIAL TEXT NOT NULL,"
    " NRTAREFA TEXT NOT NULL, NRPLATIVTARE TEXT NOT NULL, DTINICIO TEXT NOT NULL,"
    " DTFIM TEXT, PRIMARY KEY (CDOPERADOR, DTINICIO))",
};

// Version 2: what the plan query and the start-up packets look up by.
const QStringList planIndexes = {
    "CREATE INDEX ix_plan_oper ON planativtare (CDOPERRESP, CDFILIAL, IDSITATIVTAR)",
    "CREATE INDEX ix_sol_prodgrup ON solicitacao (CDPRODGRUP)",
    "CREATE INDEX ix_prod_grup ON produto (CDPRODGRUP)",
    "CREATE INDEX ix_acao_oper ON acao (CDOPERRESP, STATUSACAO)",
    "CREATE INDEX ix_apro_ativ ON apropriacao (CDFILIAL, NRTAREFA, NRPLATIVTARE)",
    "CREATE INDEX ix_atend_oper ON atendimento (CDOPERADOR, CDFILIAL, DTFIMATEND)",
};

// Version 3: an operator's plan in queue order straight from the index,
// without sorting its rows.
const QStringList planQueueIndex = {
    "CREATE INDEX ix_plan_queue ON planativtare (CDFILIAL, CDOPERRESP, NRPRIOATIVTR, NRTAREFA, NRPLATIVTARE)",
};

// Version 4: the patches of requests with their scripts, and the metadata
// releases of the form-framework products. The patch table of version 1 was
// never written to; it is rebuilt keyed by patch phase.
const QStringList patchesAndReleases = {
    "DROP TABLE patchtram",
    "CREATE TABLE patchtram (CDFILIAL TEXT NOT NULL, NRSOLISERV TEXT NOT NULL, DTFASEPATCH TEXT NOT NULL,"
    " DSARQPATCH TEXT NOT NULL, NRSEQPATCH INTEGER NOT NULL, CDPRODGRUP TEXT, CDVERPROORIG TEXT,"
    " CDRELVERORIG TEXT, CDPATRELORIG TEXT, DTINCLUSAO TEXT,"
    " PRIMARY KEY (CDFILIAL, NRSOLISERV, DTFASEPATCH, DSARQPATCH))",
    // The version, release and patch a request goes out in, and its patch-phase date.
    "CREATE TABLE versaosoli (NRSOLISERV TEXT PRIMARY KEY, CDVERPROORIG TEXT, CDRELVERORIG TEXT,"
    " CDPATRELORIG TEXT, DTALFASETRAM TEXT)",
    // Products set up for metadata releases, with the last one given.
    "CREATE TABLE releasemeta (CDARVPROD TEXT PRIMARY KEY, NRRELEASE INTEGER NOT NULL)",
    "CREATE TABLE releasemeta_ativ (CDARVPROD TEXT NOT NULL, NRRELEASE INTEGER NOT NULL, CDFILIAL TEXT,"
    " NRTAREFA TEXT, NRPLATIVTARE TEXT, NMLOGIN TEXT, DTGERACAO TEXT, PRIMARY KEY (CDARVPROD, NRRELEASE))",
};

// Version 5: who is calling. Passwords only as Argon2id hashes, sessions only
// by the hash of their token, and the failed sign-ins in a row per code given.
const QStringList signIn = {
    "CREATE TABLE senha_operador (CDOPERADOR TEXT PRIMARY KEY, DSHASHSENHA TEXT NOT NULL, DTALTERACAO TEXT)",
    "CREATE TABLE sessao (DSHASHTOKEN TEXT PRIMARY KEY, CDOPERADOR TEXT NOT NULL, CDFILIAL TEXT,"
    " CDEMPRESA TEXT, DTCRIACAO TEXT NOT NULL, DTULTIMOUSO TEXT NOT NULL)",
    "CREATE INDEX ix_sessao_oper ON sessao (CDOPERADOR)",
    "CREATE INDEX ix_sessao_uso ON sessao (DTULTIMOUSO)",
    "CREATE TABLE falha_entrada (CDOPERADOR TEXT PRIMARY KEY, QTFALHAS INTEGER NOT NULL, DTBLOQUEIO TEXT)",
};

// Version 6: an activity marked pending while other requests work on its
// work item, and the plan's activities by work item for that look-up.
const QStringList pendingActivities = {
    "ALTER TABLE planativtare ADD COLUMN IDATIVPEND TEXT",
    "ALTER TABLE planativtare ADD COLUMN DTATIVPEND TEXT",
    "CREATE INDEX ix_plan_item ON planativtare (CDITEMTRAB)",
};

// Version 7: clients' registration numbers with their person type ("F"
// person, "J" company), active operators, the interlocutor of an
// attendance, the operators who took part in an activity, and one kept
// answer per activity.
const QStringList attendanceAndAnswers = {
    "ALTER TABLE cliente ADD COLUMN NRINSJURCLIE TEXT",
    "ALTER TABLE cliente ADD COLUMN IDTPIJURCLIE TEXT",
    "ALTER TABLE operador ADD COLUMN IDOPERATIVO TEXT",
    "UPDATE operador SET IDOPERATIVO = 'A'",
    "CREATE INDEX ix_cliente_insc ON cliente (NRINSJURCLIE)",
    "ALTER TABLE atendimento ADD COLUMN CDOPERINTERL TEXT",
    "CREATE TABLE equipetrab (CDFILIAL TEXT NOT NULL, NRTAREFA TEXT NOT NULL, NRPLATIVTARE TEXT NOT NULL,"
    " CDOPERADOR TEXT NOT NULL, CDEMPRESA TEXT, DTINCLUSAO TEXT,"
    " PRIMARY KEY (CDFILIAL, NRTAREFA, NRPLATIVTARE, CDOPERADOR))",
};

// Version 8: the homologation patch groups of projects with their patch
// deadlines, the requests in each, and the operators' agreements to a
// project's baseline. Working time: each stretch says whether it was an
// attendance, and an operator has at most one open stretch, which the
// database itself holds to (servers racing for one operator included).
// Stretches left open side by side by earlier versions are closed first,
// each where the operator's latest one began.
const QStringList projectChecksAndOneOpenStretch = {
    "CREATE TABLE grupoproj (CDGRUPOPROJ TEXT PRIMARY KEY, CDPROJETO TEXT, NMGRUPOPROJ TEXT,"
    " DTFPATCHGRPROJ TEXT, DTSEGURGRPRJBL TEXT)",
    "CREATE TABLE grupoproj_soli (NRSOLISERV TEXT PRIMARY KEY, CDGRUPOPROJ TEXT NOT NULL)",
    "CREATE TABLE acordoproj (CDFILIAL TEXT NOT NULL, CDPROJETO TEXT NOT NULL, NRBASELINEPR TEXT NOT NULL,"
    " CDOPERADOR TEXT NOT NULL, DTEMAILPROJ TEXT, IDACORDOPROJ TEXT,"
    " PRIMARY KEY (CDFILIAL, CDPROJETO, NRBASELINEPR, CDOPERADOR))",
    "ALTER TABLE apropriacao ADD COLUMN IDATENDIMENTO TEXT",
    "UPDATE apropriacao SET IDATENDIMENTO = (SELECT MAX(a.IDATENDIMENTO) FROM atendimento a"
    " WHERE a.CDFILIAL = apropriacao.CDFILIAL AND a.NRTAREFA = apropriacao.NRTAREFA"
    " AND a.NRPLATIVTARE = apropriacao.NRPLATIVTARE)",
    "UPDATE apropriacao SET DTFIM = (SELECT MAX(o.DTINICIO) FROM apropriacao o"
    " WHERE o.CDOPERADOR = apropriacao.CDOPERADOR AND o.DTFIM IS NULL)"
    " WHERE DTFIM IS NULL AND DTINICIO < (SELECT MAX(o.DTINICIO) FROM apropriacao o"
    " WHERE o.CDOPERADOR = apropriacao.CDOPERADOR AND o.DTFIM IS NULL)",
    "CREATE UNIQUE INDEX ux_apro_aberta ON apropriacao (CDOPERADOR) WHERE DTFIM IS NULL",
    "CREATE INDEX ix_apro_fim ON apropriacao (CDOPERADOR, DTFIM)",
};

}

const std::vector<QStringList> &migrationSteps()
{
    static const std::vector<QStringList> steps = {baseTables, planIndexes, planQueueIndex, patchesAndReleases,
                                                   signIn, pendingActivities, attendanceAndAnswers,
                                                   projectChecksAndOneOpenStretch};
    return steps;
}

int schemaVersion(Database &db)
{
    if (!db.handle().tables().contains("schema_version", Qt::CaseInsensitive))
        db.run("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    QSqlQuery q = db.run("SELECT MAX(version) FROM schema_version");
    return q.next() && !q.value(0).isNull() ? q.value(0).toInt() : 0;
}

namespace {

void applyStep(Database &db, int version)
{
    Transaction tx(db);
    for (const QString &sql : migrationSteps()[size_t(version)])
        db.run(sql);
    db.run("DELETE FROM schema_version");
    db.run("INSERT INTO schema_version (version) VALUES (?)", {version + 1});
    tx.commit();
}

}

void migrate(Database &db, int target)
{
    const int last = int(migrationSteps().size());
    if (target < 0 || target > last)
        target = last;
    int version = 0;
    try {
        version = schemaVersion(db);
    } catch (const RpcError &) {
        // Two servers creating schema_version at once: the loser reads it.
        QThread::msleep(200);
        version = schemaVersion(db);
    }
    if (version > last)
        throw std::runtime_error(QString("database schema version %1 is newer than this server (%2)")
                                     .arg(version).arg(last).toStdString());
    int attempts = 0;
    while (version < target) {
        try {
            applyStep(db, version);
            ++version;
        } catch (const RpcError &) {
            // Another server sharing the database may be migrating it at the
            // same moment: when it got further, go on from there.
            const int now = schemaVersion(db);
            if (now <= version && ++attempts >= 5)
                throw;
            QThread::msleep(200);
            version = now;
        }
    }
}

}
