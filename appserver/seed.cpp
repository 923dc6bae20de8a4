#include "seed.h"
#include "args.h"
#include "database.h"
#include "sessions.h"
#include <QDate>

namespace apr {

namespace {

const QString demoOperator = "000000000001";
const QString branch = "0001";

QString stamp(int days, int hour = 0, int minute = 0)
{
    return formatStamp(QDateTime(QDate::currentDate().addDays(days), QTime(hour, minute)));
}

void insert(Database &db, const QString &table, const QStringList &columns, const QVariantList &values)
{
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << "?";
    db.run(QString("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING")
               .arg(table, columns.join(", "), marks.join(", ")),
           values);
}

struct Product {
    const char *code, *name, *tree;
    bool underSvn;
    int extraDirs; // working copies besides the product's root
};

const Product products[] = {
    {"P401", "Gestão Comercial", "01.04.01", true, 1},  {"P502", "Gestão Financeira", "01.05.02", true, 0},
    {"P610", "Folha de Pagamento", "01.06.10", true, 0}, {"P150", "Portal do Cliente", "02.01.50", true, 1},
    {"P151", "Pedidos Web", "02.01.51", true, 0},        {"T001", "Lumetra Estoque", "03.00.01", true, 0},
    {"T002", "Lumetra Compras", "03.00.02", true, 0},    {"S001", "Framework Lumetra", "04.00.01", true, 1},
    {"P300", "Contabilidade (legado)", "00.03.00", false, 0},
};

struct Process {
    const char *code, *name, *qualification;
};

const Process processes[] = {
    {"0000011265", "Monitoramento de Projeto", ""},  {"0000011045", "Desenvolvimento de Programa", "01"},
    {"0000011054", "Manutenção Corretiva", "02"},      {"0000011269", "Planejamento de Atividade", ""},
    {"0000010196", "Análise de Sistema", "01"},        {"0000011633", "Teste Integrado", "03"},
    {"0000010702", "Acompanhamento de Patch", ""},
};

struct Activity {
    const char *product, *process, *status;
    int start, end;  // planned start and end, days from today
    bool finished;   // realised end set
    int concluded;   // days from today of the conclusion (C/X only)
};

// One task per activity; statuses cover every state the grid draws.
const Activity activities[] = {
    {"P401", "0000011045", "A", -2, 3, false, 0},   {"P401", "0000011054", "I", -5, 2, false, 0},
    {"P401", "0000011045", "P", 1, 6, false, 0},    {"P401", "0000010196", "I", -10, -3, false, 0},
    {"P401", "0000011633", "C", -20, -12, false, -11}, {"P502", "0000011045", "I", -6, -1, true, 0},
    {"P502", "0000011269", "P", -8, -2, false, 0},  {"P502", "0000011054", "X", -15, -9, false, -9},
    {"P610", "0000011045", "P", 3, 10, false, 0},   {"P610", "0000011265", "P", 0, 0, false, 0},
    {"P150", "0000011045", "P", 2, 5, false, 0},    {"P150", "0000011054", "I", -3, 1, false, 0},
    {"P150", "0000010196", "", 4, 8, false, 0},     {"P151", "0000011045", "I", -4, -1, true, 0},
    {"P151", "0000011633", "P", 6, 9, false, 0},    {"T001", "0000011045", "P", 0, 4, false, 0},
    {"T001", "0000011054", "I", -7, -2, false, 0},  {"T001", "0000011633", "C", -9, -5, false, -4},
    {"T002", "0000011045", "P", 5, 12, false, 0},   {"S001", "0000011045", "I", -1, 3, false, 0},
    {"S001", "0000011054", "P", 7, 14, false, 0},   {"S001", "0000010702", "P", -2, 2, false, 0},
    {"P300", "0000011054", "P", 1, 4, false, 0},    {"P300", "0000011045", "C", -40, -35, false, -34},
};

struct Client {
    const char *name, *registration, *personType; // "J" company (CNPJ), "F" person (CPF)
};
const Client clients[] = {
    {"Supermercados Bom Preço", "11222333000181", "J"},
    {"Distribuidora São João", "45987654000110", "J"},
    {"Clínica Vida Plena", "12345678909", "F"},
    {"Ana Lúcia Fernandes", "98765432100", "F"},
};
const char *phases[] = {"Em desenvolvimento", "Em homologação", "Aguardando liberação"};

QString code(int number, int width)
{
    return QString::number(number).rightJustified(width, '0');
}

void seedReferenceData(Database &db, const QString &osLogin)
{
    insert(db, "empresa", {"CDEMPRESA", "NMEMPRESA"}, {"0001", "Calbrex Sistemas Ltda."});
    insert(db, "filial",
           {"CDFILIAL", "CDEMPRESA", "NMFILIAL", "QTLIMSEMAPROP", "CDPROCMONITORA", "CDPROCATEINT", "CDPROCATEDES"},
           {branch, "0001", "Matriz", 30.0, "0000011265", "0000011300", "0000011301"});
    const QVariantList operators[] = {
        {demoOperator, "Operador Demonstração", "root", "10"},
        {"000000000002", "Maria Souza", "msouza", "25"},
        {"000000000003", "João Pereira", "jpereira", "10"},
        {"000000000004", "Carlos Andrade (desligado)", "candrade", "10"},
    };
    for (const QVariantList &o : operators) {
        const QString active = o[0] == "000000000004" ? "I" : "A";
        insert(db, "operador", {"CDOPERADOR", "NMOPERADOR", "NMLOGIN", "CDFILIAL", "CDGRUPOPER", "IDOPERATIVO"},
               {o[0], o[1], o[2], branch, o[3], active});
        insert(db, "operdesenv", {"NMLOGIN", "CDOPERADOR", "CDGRUPOPER"}, {o[2], o[0], o[3]});
    }
    if (!osLogin.isEmpty())
        insert(db, "operdesenv", {"NMLOGIN", "CDOPERADOR", "CDGRUPOPER"}, {osLogin, demoOperator, "10"});

    for (const Product &p : products) {
        insert(db, "produto", {"CDPRODUTO", "NMPRODUTO", "CDPRODGRUP", "CDARVPROD", "IDPRODCONTRSUBV", "DTATUPRODSUBVER"},
               {p.code, p.name, p.code, p.tree, p.underSvn ? "S" : "N", stamp(-1, 18)});
        const QString c = p.code;
        insert(db, "produto_dir", {"CDPRODUTO", "NRSEQDIR", "DSDIRBASEVER", "DSDIRVSS"},
               {c, 1, "c:\\sistemas\\prod\\" + c, "/" + c + "/trunk"});
        if (p.extraDirs)
            insert(db, "produto_dir", {"CDPRODUTO", "NRSEQDIR", "DSDIRBASEVER", "DSDIRVSS"},
                   {c, 2, "c:\\sistemas\\prod\\" + c + "\\relatorios", "/" + c + "/trunk/relatorios"});
    }
    for (const Process &p : processes)
        insert(db, "processo", {"CDPROCESSO", "NMPROCESSO", "CDQUALIFPROC"},
               {p.code, p.name, *p.qualification ? QVariant(p.qualification) : QVariant()});
    insert(db, "qualificacao", {"CDPROCESSO", "CDQUALIFPROC", "NMQUALIFPROC"}, {"0000011045", "01", "Programa novo"});
    insert(db, "qualificacao", {"CDPROCESSO", "CDQUALIFPROC", "NMQUALIFPROC"}, {"0000011045", "02", "Alteração de programa"});
    int number = 0;
    for (const Client &c : clients) {
        const QString id = code(++number, 10);
        insert(db, "cliente", {"CDCLIENTE", "NMFANTCLIE", "NRINSJURCLIE", "IDTPIJURCLIE"},
               {id, c.name, c.registration, c.personType});
        db.run("UPDATE cliente SET NRINSJURCLIE = ?, IDTPIJURCLIE = ? WHERE CDCLIENTE = ? AND NRINSJURCLIE IS NULL",
               {c.registration, c.personType, id});
    }
    const QVariantList projects[] = {
        {"0000000001", "Modernização Comercial", "Modernização dos módulos comerciais"},
        {"0000000002", "Portal Web", "Portal de autoatendimento"},
        {"0000000003", "Lumetra 2.0", "Nova versão da plataforma Lumetra"},
        {"0000000004", "Contabilidade legada", "Manutenção da contabilidade antiga (suspenso)"},
    };
    for (const QVariantList &p : projects)
        insert(db, "projeto", {"CDPROJETO", "NMPROJETO", "DSPROJETO", "CDFILIAL", "IDSITPROJETO"},
               {p[0], p[1], p[2], branch, p[0] == "0000000004" ? "S" : "A"});
    insert(db, "acao", {"NRACAO", "CDOPERRESP", "DSACAO", "STATUSACAO", "DTPREVENCEAC", "DTCONCLUSAO"},
           {"0000000001", demoOperator, "Revisar a documentação do projeto", "Em andamento", stamp(3), QVariant()});
    insert(db, "acao", {"NRACAO", "CDOPERRESP", "DSACAO", "STATUSACAO", "DTPREVENCEAC", "DTCONCLUSAO"},
           {"0000000002", demoOperator, "Validar a patch de homologação", "Pendente", stamp(7), QVariant()});
    insert(db, "acao", {"NRACAO", "CDOPERRESP", "DSACAO", "STATUSACAO", "DTPREVENCEAC", "DTCONCLUSAO"},
           {"0000000003", demoOperator, "Treinamento da equipe", "Concluída", stamp(-10), stamp(-9)});
}

// The planned development activities of the first Delphi product (index 2)
// and of the first Lumetra product (index 15) are the ones to check out: their
// work items' directories hold the files the demo repository has there.
QStringList sourceDirs(int index)
{
    if (index == 2)
        return {"\\fontes\\", "relatorios"};
    if (index == 15)
        return {"fontes"};
    return {"fontes\\cad" + code(index + 1, 3)};
}

bool checksOut(int index) { return index == 2 || index == 15; }

// The Delphi check-out looks for the work item's files by its reduced code:
// the demo repository names them after the product (fontes\uP401.pas, relatorios\P401.sql).
QString reducedCode(int index, const QString &product)
{
    return index == 2 ? product : QString("IT%1").arg(index + 1, 3, 10, QChar('0'));
}

QString projectOf(const QString &product)
{
    if (product == "P300")
        return "0000000004";
    if (product.startsWith("P1"))
        return "0000000002";
    if (product.startsWith('T') || product.startsWith('S'))
        return "0000000003";
    return "0000000001";
}

void seedActivity(Database &db, int index, const Activity &a)
{
    const QString task = code(5001 + index, 10);
    const QString request = code(12001 + index, 10);
    const QString item = code(101 + index, 10);
    const QString product = a.product;
    const QString process = a.process;
    const bool monitoring = process == "0000011265";
    const QString subject = monitoring ? "Acompanhamento semanal do projeto"
                                       : QString("Ajuste no cadastro %1 do produto %2").arg(index + 1).arg(product);
    insert(db, "solicitacao",
           {"NRSOLISERV", "CDFILIAL", "CDPROJETO", "CDPRODGRUP", "CDCLIENTE", "DSREFESOLI", "DSSOLISERV",
            "NMOPERSOLI", "NMASSUNTO", "DTPREVENCSOL", "DTCOMPROMISS", "DSSTFASETRAM"},
           {request, branch, projectOf(product), product, code(index % 3 + 1, 10), subject,
            QString("%1 / %2").arg(request, task), "Maria Souza", monitoring ? "Projeto" : "Manutenção",
            stamp(a.end + 2), stamp(a.end + 10), phases[index % 3]});
    insert(db, "tarefa", {"CDFILIAL", "NRTAREFA", "NRSOLISERV", "DSREFETAREFA", "NRPRIOTAREFA", "IDORIGTARE"},
           {branch, task, request, monitoring ? "Monitorar o andamento do projeto" : "Alterar e testar " + subject,
            code(index % 5 + 1, 3), "S"});
    insert(db, "itemtrab", {"CDITEMTRAB", "CDREDUITTRAB", "NMITEMTRAB", "CDARVITTRAB", "CDTIPOITTRAB", "DSDIRRAIZARQ"},
           {item, reducedCode(index, product), "Cadastro " + QString::number(index + 1) + " de " + product,
            "01." + code(index + 1, 3), checksOut(index) ? "03" : "01", "fontes"});
    int seq = 0;
    for (const QString &dir : sourceDirs(index))
        insert(db, "itemtrab_dir", {"CDITEMTRAB", "CDPRODUTO", "NRSEQDIR", "DSDIRARQFONTIT"},
               {item, product, ++seq, dir});
    const QString status = a.status;
    const bool hasPlan = a.start != 0 || a.end != 0 || monitoring;
    insert(db, "planativtare",
           {"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CDPROCESSO", "CDITEMTRAB", "IDSITATIVTAR", "NRPRIOATIVTR",
            "CDOPERRESP", "CDOPERINCL", "DTINCATIVTAR", "DTINPATIVTAR", "DTFIPATIVTAR", "DTFIRATIVTAR",
            "DTCONATIVTAR", "NRCPLXITATIV", "NRREPETATIV", "VRFATOCPLX", "DSTEMPLAITAR", "DTHRREUNIAO", "QTDEATIV",
            "IDGERATVCONS", "IDSTATUSATESTE", "IDAUTOTESTE"},
           {branch, task, "00001", process, monitoring ? QVariant() : QVariant(item),
            status.isEmpty() ? QVariant() : QVariant(status), code(index + 1, 3),
            demoOperator, "000000000002", stamp(a.start - 3, 9), hasPlan ? QVariant(stamp(a.start, 8)) : QVariant(),
            hasPlan ? QVariant(stamp(a.end, 18)) : QVariant(), a.finished ? QVariant(stamp(-1, 17, 30)) : QVariant(),
            a.concluded ? QVariant(stamp(a.concluded, 16)) : QVariant(), double(index % 4 + 1), "0",
            1.0 + (index % 3) * 0.5, monitoring ? "01:00" : QString("%1:00").arg(index % 8 + 2, 2, 10, QChar('0')),
            index % 6 == 0 ? QVariant(stamp(1, 14)) : QVariant(), 1.0, index % 2 ? "S" : "N", "N", "N"});
    insert(db, "versaosoli", {"NRSOLISERV", "CDVERPROORIG", "CDRELVERORIG", "CDPATRELORIG", "DTALFASETRAM"},
           {request, "5.0", "5.0." + QString::number(index % 4 + 1), code(index % 7 + 10, 3), stamp(a.end + 7)});
    if (!monitoring)
        insert(db, "itemtarefa",
               {"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CDITEMTRAB", "NRCPLXITTARE", "DSDIRARQFONT", "IDSITCHECKOUT"},
               {branch, task, "00001", item, double(index % 4 + 1), "c:\\sistemas\\prod\\" + product + "\\fontes",
                status == "A" ? "S" : "N"});
}

// The check-out states of work items: the one of the planned development
// activity of P610 (index 8) is held by another operator; the Lumetra one
// (index 15) was checked out once and given back. A colleague's activity of
// another request works on the item of the planned development activity of
// P150 (index 10), so that one cannot be put in progress either.
void seedCheckouts(Database &db)
{
    // The running activity of P401 (index 0) holds its work item.
    insert(db, "itemtrab_prod", {"CDITEMTRAB", "CDPRODUTO", "IDSITCHECKOUT", "CDOPCHECKOUT"},
           {code(101, 10), "P401", "S", demoOperator});
    insert(db, "itemtrab_prod", {"CDITEMTRAB", "CDPRODUTO", "IDSITCHECKOUT", "CDOPCHECKOUT"},
           {code(101 + 8, 10), "P610", "S", "000000000002"});
    insert(db, "itemtrab_prod", {"CDITEMTRAB", "CDPRODUTO", "IDSITCHECKOUT", "CDOPCHECKOUT"},
           {code(101 + 15, 10), "T001", "N", QVariant()});
    const QString task = code(5101, 10);
    const QString request = code(12101, 10);
    const QString item = code(101 + 10, 10);
    insert(db, "solicitacao",
           {"NRSOLISERV", "CDFILIAL", "CDPROJETO", "CDPRODGRUP", "CDCLIENTE", "DSREFESOLI", "DSSOLISERV",
            "NMOPERSOLI", "NMASSUNTO", "DTPREVENCSOL", "DTCOMPROMISS", "DSSTFASETRAM"},
           {request, branch, projectOf("P150"), "P150", code(1, 10), "Correção no cadastro 11 do produto P150",
            QString("%1 / %2").arg(request, task), "Maria Souza", "Manutenção", stamp(5), stamp(12), phases[0]});
    insert(db, "tarefa", {"CDFILIAL", "NRTAREFA", "NRSOLISERV", "DSREFETAREFA", "NRPRIOTAREFA", "IDORIGTARE"},
           {branch, task, request, "Corrigir o cadastro 11 do produto P150", "001", "S"});
    insert(db, "planativtare",
           {"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CDPROCESSO", "CDITEMTRAB", "IDSITATIVTAR", "NRPRIOATIVTR",
            "CDOPERRESP", "CDOPERINCL", "DTINCATIVTAR", "DTINPATIVTAR", "DTFIPATIVTAR", "DSTEMPLAITAR"},
           {branch, task, "00001", "0000011054", item, "I", "001", "000000000003", "000000000002", stamp(-4, 9),
            stamp(-2, 8), stamp(3, 18), "04:00"});
    insert(db, "itemtarefa", {"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CDITEMTRAB", "NRCPLXITTARE", "DSDIRARQFONT",
                              "IDSITCHECKOUT"},
           {branch, task, "00001", item, 1.0, "c:\\sistemas\\prod\\P150\\fontes", "N"});
}

// The first request's patch already holds one script; the first form-framework
// product is set up for metadata releases, the second is not.
void seedPatches(Database &db)
{
    QSqlQuery phase = db.run("SELECT DTALFASETRAM FROM versaosoli WHERE NRSOLISERV = ?", {code(12001, 10)});
    if (phase.next())
        insert(db, "patchtram",
               {"CDFILIAL", "NRSOLISERV", "DTFASEPATCH", "DSARQPATCH", "NRSEQPATCH", "CDPRODGRUP", "CDVERPROORIG",
                "CDRELVERORIG", "CDPATRELORIG", "DTINCLUSAO"},
               {branch, code(12001, 10), phase.value(0), "\\sistemas\\prod\\P401\\sql\\atualiza_bd\\P401_001.sql", 1,
                "P401", "5.0", "5.0.1", "010", stamp(-1, 11)});
    insert(db, "releasemeta", {"CDARVPROD", "NRRELEASE"}, {"03.00.01", 41});
}

// What an activity needs to start. The operators agreed to the newest
// baseline of the projects in progress; the demo operator has not agreed to
// the suspended one (P300). The requests of P401 go out in a homologation
// patch due in ten days; those of P502 and P610 in one whose end has passed
// but whose safety date has not, so it still takes work; those of S001's
// development in one whose safety date passed yesterday, overdue although
// its end is a week away. The patch monitoring of S001 (task 0000005022) is
// in no group, nor are the Portal's requests.
void seedProjectChecks(Database &db)
{
    const QStringList agreementColumns{"CDFILIAL", "CDPROJETO", "NRBASELINEPR", "CDOPERADOR", "DTEMAILPROJ",
                                       "IDACORDOPROJ"};
    for (const char *op : {"000000000001", "000000000002", "000000000003"}) {
        for (const char *project : {"0000000001", "0000000002", "0000000003"}) {
            insert(db, "acordoproj", agreementColumns, {branch, project, "001", op, stamp(-60, 9), "S"});
            insert(db, "acordoproj", agreementColumns, {branch, project, "002", op, stamp(-20, 9), "S"});
        }
    }
    insert(db, "acordoproj", agreementColumns, {branch, "0000000004", "001", demoOperator, stamp(-5, 9), "N"});
    struct Group {
        const char *code, *project, *name;
        QVariant end, safetyEnd;
        std::vector<int> activities;
    };
    const Group groups[] = {
        {"0000000001", "0000000001", "Patch comercial 5.0.1", stamp(10, 18), QVariant(), {0, 1, 2, 3, 4}},
        {"0000000002", "0000000001", "Patch financeira 5.0.2", stamp(-3, 18), stamp(5, 18), {5, 6, 7, 8}},
        {"0000000003", "0000000003", "Patch framework 2.0.1", stamp(7, 18), stamp(-1, 18), {19, 20}},
        {"0000000004", "0000000003", "Patch Lumetra 2.0.3", stamp(14, 18), QVariant(), {15, 16, 17, 18}},
    };
    for (const Group &g : groups) {
        insert(db, "grupoproj", {"CDGRUPOPROJ", "CDPROJETO", "NMGRUPOPROJ", "DTFPATCHGRPROJ", "DTSEGURGRPRJBL"},
               {g.code, g.project, g.name, g.end, g.safetyEnd});
        for (int index : g.activities)
            insert(db, "grupoproj_soli", {"NRSOLISERV", "CDGRUPOPROJ"}, {code(12001 + index, 10), g.code});
    }
}

// Booked time of the last days for the follow-up of appropriation: working
// hours over a few activities, an evening that runs past midnight, and today
// a closed stretch and the running activity (task 5001) since a while ago.
// Seeded once: a later seed on another day would open a second running one.
void seedAppropriations(Database &db)
{
    QSqlQuery any = db.run("SELECT 1 FROM apropriacao WHERE CDOPERADOR = ?", {demoOperator});
    const bool booked = any.next();
    any.finish();
    if (booked)
        return;
    const QStringList columns{"CDOPERADOR", "CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "DTINICIO", "DTFIM"};
    const auto book = [&](const QString &op, int task, const QString &from, const QVariant &to) {
        insert(db, "apropriacao", columns, {op, branch, code(task, 10), "00001", from, to});
    };
    const int tasks[] = {5001, 5002, 5004, 5006, 5012, 5020};
    for (int day = -8; day <= -1; ++day) {
        const int a = tasks[(day + 8) % 6], b = tasks[(day + 11) % 6];
        book(demoOperator, a, stamp(day, 8, 0), stamp(day, 10, 15 + (day + 8) * 5));
        book(demoOperator, b, stamp(day, 10, 15 + (day + 8) * 5), stamp(day, 12, 0));
        book(demoOperator, tasks[0], stamp(day, 13, 0), stamp(day, 17, 30 - (day + 8)));
    }
    book(demoOperator, 5004, stamp(-2, 20, 30), stamp(-1, 0, 45));
    QDateTime now = QDateTime::currentDateTime();
    now.setTime(QTime(now.time().hour(), now.time().minute()));
    book(demoOperator, 5002, formatStamp(now.addSecs(-210 * 60)), formatStamp(now.addSecs(-105 * 60)));
    book(demoOperator, 5001, formatStamp(now.addSecs(-105 * 60)), QVariant());
    // A colleague's day, which the demo operator never sees.
    book("000000000003", 5101, stamp(-1, 9, 0), stamp(-1, 11, 0));
}

}

void seedDemo(Database &db, const QString &osLogin)
{
    Transaction tx(db);
    seedReferenceData(db, osLogin);
    int index = 0;
    for (const Activity &a : activities)
        seedActivity(db, index++, a);
    seedPatches(db);
    seedCheckouts(db);
    seedProjectChecks(db);
    seedAppropriations(db);
    insert(db, "atendimento",
           {"CDFILIAL", "CDOPERADOR", "DTINIATEND", "NRTAREFA", "NRPLATIVTARE", "CDPROCESSO", "IDATENDIMENTO",
            "CDCLIENTE", "DSOBSERVACAO", "DTFIMATEND"},
           {branch, demoOperator, stamp(-1, 10), QVariant(), QVariant(), "0000011300", "I", "0000000001",
            "Dúvida sobre o fechamento mensal", stamp(-1, 10, 40)});
    QSqlQuery password = db.run("SELECT 1 FROM senha_operador WHERE CDOPERADOR = ?", {demoOperator});
    const bool hasPassword = password.next();
    password.finish();
    if (!hasPassword)
        setOperatorPassword(db, demoOperator, demoPassword);
    tx.commit();
}

}
