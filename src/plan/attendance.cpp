#include "plan/attendance.h"
#include "host/recordset.h"
#include "host/services.h"
#include "plan/dadosadi.h"
#include "plan/plantooltips.h"
#include "plan/respativ.h"
#include "server/remote.h"
#include <QAbstractButton>

namespace plan {

QString AttendanceActions::running() const
{
    return m_ctx.cdsAtividadeAndamento.textOf(QStringLiteral("IDATENDIMENTO"));
}

void AttendanceActions::sbtAteInternoClick() { toggled(QStringLiteral("I")); }
void AttendanceActions::sbtAteExternoClick() { toggled(QStringLiteral("E")); }

void AttendanceActions::toggled(const QString &kind)
{
    const bool internal = kind == QLatin1String("I");
    QAbstractButton &own = internal ? m_ctx.sbtAteInterno : m_ctx.sbtAteExterno;
    QAbstractButton &other = internal ? m_ctx.sbtAteExterno : m_ctx.sbtAteInterno;
    const QString otherKind = internal ? QStringLiteral("E") : QStringLiteral("I");
    if (running() == otherKind) {
        own.setChecked(false);
        other.setChecked(true);
        qor::MensErro(AnswerTexts().Msg(internal ? QStringLiteral("Ate_Ext_Fin") : QStringLiteral("Ate_Int_Fin")), true);
    }
    m_ctx.server.load(m_ctx.cdsAtividadeAndamento, QStringLiteral("GetAtivAndamento"),
                      {qor::FiliProc(), qor::Operador()});
    if (own.isChecked()) {
        CriaDadosAdi(m_ctx.server, kind, m_ctx.parent);
        // However the dialog closed, the plan and the buttons show the server's state.
        m_ctx.reloadPlan();
    } else if (running() == kind) {
        encerraAtendimento(kind);
    }
}

bool AttendanceActions::encerraAtendimento(const QString &kind)
{
    const auto value = [this](const char *name) {
        return m_ctx.cdsAtividadeAndamento.textOf(QString::fromLatin1(name));
    };
    const QString filial = value("CDFILIAL"), tarefa = value("NRTAREFA"), atividade = value("NRPLATIVTARE");
    if (!CriaResposta(m_ctx.server, {filial, tarefa, atividade, value("CDPROCESSO"), QString(), QString()},
                      m_ctx.parent))
        return false;
    {
        server::RemoteServer::Use use(m_ctx.server);
        m_ctx.server.call(QStringLiteral("SetDesaproAtiv"), {qor::FiliProc(), qor::Operador()});
        if (kind == QLatin1String("I"))
            m_ctx.server.call(QStringLiteral("SetEquipTrab"),
                              {qor::Operador(), filial, tarefa, atividade, qor::EmprProc()});
    }
    (kind == QLatin1String("I") ? m_ctx.sbtAteInterno : m_ctx.sbtAteExterno).setChecked(false);
    m_ctx.reloadPlan();
    return true;
}

void AttendanceActions::sbtAcompanhamentoClick()
{
    qor::LoadBPL(QStringLiteral("APR00500"));
}

}
