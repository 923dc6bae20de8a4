#include "plan/planactions.h"
#include "host/messages.h"
#include "host/recordset.h"
#include "host/services.h"
#include "plan/plantooltips.h"
#include "plan/processos.h"
#include "plan/respativ.h"
#include "vcs/pathmap.h"
#include <QDesktopServices>
#include <QUrl>

namespace plan {

bool AnswerAsksForScripts(const QString &processo)
{
    return processos::Script(processo.trimmed());
}

PlanActions::PlanActions(PlanActionsContext ctx) : m_ctx(std::move(ctx))
{
    openDocument = [](const QString &hostPath) { return QDesktopServices::openUrl(QUrl::fromLocalFile(hostPath)); };
}

QString PlanActions::field(const char *name) const
{
    return m_ctx.cdsPlanAtivTare.textOf(QString::fromLatin1(name));
}

QStringList PlanActions::descriptionValues() const
{
    return {field("CDFILIAL"), field("NRTAREFA"), field("NRPLATIVTARE"), field("DSDIRBASEVER"), field("IDGERATVCONS")};
}

void PlanActions::Descrio1Click()
{
    if (!m_ctx.cdsPlanAtivTare.active() || m_ctx.cdsPlanAtivTare.isEmpty())
        return;
    qor::LoadBPL(QStringLiteral("APR00600"), descriptionValues());
}

void PlanActions::Resposta1Click()
{
    if (!m_ctx.cdsPlanAtivTare.active() || m_ctx.cdsPlanAtivTare.isEmpty())
        return;
    if (AnswerAsksForScripts(field("CDPROCESSO")) && m_ctx.anexoScript)
        m_ctx.anexoScript(field("CDFILIAL"), field("NRSOLISERV"), field("CDPRODGRUP"), field("CDPROCESSO"));
    CriaResposta(m_ctx.server,
                 {field("CDFILIAL"), field("NRTAREFA"), field("NRPLATIVTARE"), field("CDPROCESSO"),
                  field("CDQUALIFPROC"), QStringLiteral("1")},
                 m_ctx.parent);
}

QString PlanActions::requirementDocument() const
{
    QString base = qor::Uncripto(m_ctx.dirArqSoli ? m_ctx.dirArqSoli() : QString(), 2);
    if (qor::EmptyString(base))
        qor::MensErro(AnswerTexts().Msg(QStringLiteral("DIRETORIO")), true);
    if (!base.endsWith(QLatin1Char('\\')))
        base += QLatin1Char('\\');
    const QString request = field("NRSOLISERV");
    const QString kind = field("IDGERATVCONS");
    const vcs::PathMap paths;
    const vcs::LogicalFs fs(paths);
    if ((kind != QLatin1String("N") && kind != QLatin1String("S")) || !fs.isDirectory(base + request))
        return {};
    const QString folder = base + request + QStringLiteral("\\REQUISITO\\");
    if (kind == QLatin1String("N"))
        return folder + request + QLatin1Char('_') + m_ctx.cds_ItemTarefa.textOf(QStringLiteral("CDITEMTRAB"))
               + QStringLiteral(".doc");
    return folder + QStringLiteral("REQUISITO_") + request + QStringLiteral(".doc");
}

// A missing directory or document does nothing.
void PlanActions::dbgPadraoDblClick()
{
    if (!m_ctx.cdsPlanAtivTare.active() || m_ctx.cdsPlanAtivTare.isEmpty())
        return;
    const QString document = requirementDocument();
    if (document.isEmpty())
        return;
    const vcs::PathMap paths;
    if (vcs::LogicalFs(paths).exists(document))
        openDocument(paths.toHost(document));
}

}
