#include "authorisation.h"
#include "catalogue.h"
#include "database.h"
#include "rpcerror.h"
#include "sessions.h"
#include <QHash>

namespace apr {

namespace {

// The methods whose rule is not the strictest one; see docs/protocol.md.
const QHash<QString, Rule> &rules()
{
    static const QHash<QString, Rule> table = {
        {"SignIn", Rule::open()},
        {"Resume", Rule::open()},
        // The holder of a locked work item, by his code.
        {"GetOperador", Rule::strict().lookingUpOthers()},
        // The operators of the branch without appropriated time.
        {"GetOperSemApro", Rule::strict().lookingUpOthers()},
        // Joins the team of the attendance in progress, whoever's activity it is.
        {"SetEquipTrab", Rule::strict().onAnyActivity()},
    };
    return table;
}

bool isWrite(const QString &method)
{
    return !method.startsWith(QLatin1String("Get"));
}

int position(const Form &form, std::initializer_list<const char *> names)
{
    for (size_t i = 0; i < form.size(); ++i)
        for (const char *name : names)
            if (qstrcmp(form[i].name, name) == 0)
                return int(i);
    return -1;
}

[[noreturn]] void forbid(const QString &method, const QString &why)
{
    throw RpcError(Forbidden, "Operação não permitida ao operador da sessão.", method + ": " + why);
}

void checkOperators(const CallContext &context, const QString &method, const Form &form, const QJsonArray &params)
{
    for (size_t i = 0; i < form.size(); ++i)
        if (qstrcmp(form[i].name, "operador") == 0 && params.at(qsizetype(i)).toString().trimmed() != context.caller())
            forbid(method, QString("argument %1 names another operator").arg(i + 1));
}

// An activity that does not exist is left to the method, which reports it.
void checkActivity(CallContext &context, const QString &method, const Form &form, const QJsonArray &params)
{
    const int branch = position(form, {"filial", "CDFILIAL"});
    const int task = position(form, {"NRTAREFA"});
    const int activity = position(form, {"NRPLATIVTARE"});
    if (task < 0 || activity < 0)
        return;
    QString sql = "SELECT CDOPERRESP FROM planativtare WHERE NRTAREFA = ? AND NRPLATIVTARE = ?";
    QVariantList binds{params.at(task).toString(), params.at(activity).toString()};
    if (branch >= 0) {
        sql += " AND CDFILIAL = ?";
        binds << params.at(branch).toString();
    }
    QSqlQuery rows = context.db.run(sql, binds);
    while (rows.next())
        if (rows.value(0).toString() != context.caller())
            forbid(method, "the activity is in another operator's plan");
}

}

Rule ruleFor(const QString &method)
{
    return rules().value(method, Rule::strict());
}

void requireSession(const CallContext &context, const QString &method)
{
    if (ruleFor(method).needsSession && !(context.session && context.session->signedIn()))
        throw RpcError(NotSignedIn, "Sessão não iniciada: entre com operador e senha.",
                       method + ": no session on this connection");
}

void authorise(CallContext &context, const QString &method, const Form &form, const QJsonArray &params)
{
    const Rule rule = ruleFor(method);
    if (!rule.needsSession)
        return;
    if (!rule.othersAllowed)
        checkOperators(context, method, form, params);
    if (!rule.anyActivity && isWrite(method))
        checkActivity(context, method, form, params);
}

}
