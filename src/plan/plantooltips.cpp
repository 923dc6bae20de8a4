#include "plan/plantooltips.h"
#include "plan/situacao.h"
#include "plan/planstyle.h"

static void initPlanTexts()
{
    // The texts live in this static library: register them before the first look-up.
    Q_INIT_RESOURCE(planmsg);
}

namespace plan {

namespace {

QString msg(const char *key) { return PlanTexts().Msg(QString::fromLatin1(key)); }

QString statusMeaning(const QString &status)
{
    if (E(status, Situacao::EmAndamento))
        return msg("DICA_EM_ANDAMENTO");
    if (E(status, Situacao::Paralisada))
        return msg("DICA_PARALISADA");
    if (Encerrada(status))
        return msg("DICA_CONCLUIDA");
    return msg("DICA_NAO_APROPRIADA");
}

QString meaningOf(const PlanRowValues &row, const QDateTime &now)
{
    QString meaning = statusMeaning(row.status);
    // The colour's own state, as the legend names it; finished wins over late.
    if (IsFinished(row))
        meaning += QStringLiteral(" - ") + msg("DICA_FINALIZADA");
    else if (IsLate(row, now))
        meaning += QStringLiteral(" - ") + msg("DICA_EM_ATRASO");
    return meaning;
}

QString withClick(const QString &meaning, const char *action)
{
    return meaning + QLatin1Char('\n') + msg("DICA_CLIQUE") + QLatin1Char(' ') + msg(action);
}

}

const qor::TMessages &PlanTexts()
{
    static const qor::TMessages texts = [] {
        initPlanTexts();
        return qor::TMessages(QStringLiteral(":/plan/plan.msg"));
    }();
    return texts;
}

const qor::TMessages &AnswerTexts()
{
    static const qor::TMessages texts = [] {
        initPlanTexts();
        return qor::TMessages(QStringLiteral(":/plan/answers.msg"));
    }();
    return texts;
}

QString StatusToolTip(const PlanRowValues &row, const QString &columnField, const QDateTime &now)
{
    const QString &status = row.status;
    if (columnField == QLatin1String("IDSITATIVTAR")) {
        const QString meaning = meaningOf(row, now);
        if (E(status, Situacao::EmAndamento))
            return withClick(meaning, "ACAO_PAUSAR");
        if (Encerrada(status))
            return meaning;
        return withClick(meaning, "ACAO_INICIAR");
    }
    if (columnField == QLatin1String("IDORIGTARE")) {
        if (E(status, Situacao::EmAndamento))
            return withClick(meaningOf(row, now), "ACAO_FINALIZAR");
        if (E(status, Situacao::Paralisada) && row.realisedEnd.isValid())
            return withClick(meaningOf(row, now), "ACAO_CONCLUIR");
    }
    return {};
}

QString HeaderToolTip(const QString &columnField)
{
    if (columnField == QLatin1String("IDSITATIVTAR"))
        return msg("DICA_COLUNA_SITUACAO");
    if (columnField == QLatin1String("IDORIGTARE"))
        return msg("DICA_COLUNA_FINALIZA");
    return {};
}

}
