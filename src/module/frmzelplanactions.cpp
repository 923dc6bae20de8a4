// The plan's pop-up items that open something, the requirement document and
// the attendance bar: each is a class of the plan; here they are only wired.
#include "module/frmzel.h"
#include "plan/attendance.h"
#include "plan/planactions.h"
#include "module/activitylayer.h"
#include "module/registro.h"
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolButton>

namespace apr {

void TfrmZEL::ligaAcoesDoPlano()
{
    m_acoes = std::make_unique<plan::PlanActions>(plan::PlanActionsContext{
        m_servidor, cdsPlanAtivTare, cds_ItemTarefa, [] { return Registro::RetornaDirArqSoli(); },
        [this](const QString &filial, const QString &solicitacao, const QString &grupo, const QString &processo) {
            m_atividades->abreScripts(filial, solicitacao, grupo, processo);
        },
        this});
    m_atendimento = std::make_unique<plan::AttendanceActions>(plan::AttendanceContext{
        m_servidor, cdsAtividadeAndamento, *sbtAteInterno, *sbtAteExterno, [this] { GetPlanAtivTare(); }, this});

    const auto livre = [this](auto handler) {
        return [this, handler] {
            if (!m_atividades->emExecucao())
                qor::guarded(handler);
        };
    };
    const auto item = [this](const char *name) { return pmnPadrao->findChild<QAction *>(QString::fromLatin1(name)); };
    connect(item("mniDescricao"), &QAction::triggered, this, livre([this] { m_acoes->Descrio1Click(); }));
    connect(item("mniResposta"), &QAction::triggered, this, livre([this] { m_acoes->Resposta1Click(); }));
    connect(dbgPadrao, &QTableView::doubleClicked, this, livre([this] { m_acoes->dbgPadraoDblClick(); }));
    connect(sbtAteInterno, &QToolButton::clicked, this, livre([this] { m_atendimento->sbtAteInternoClick(); }));
    connect(sbtAteExterno, &QToolButton::clicked, this, livre([this] { m_atendimento->sbtAteExternoClick(); }));
    for (QToolButton *acompanhamento : {sbtAcompanhamento, sbtAtraso})
        connect(acompanhamento, &QToolButton::clicked, this, livre([this] { m_atendimento->sbtAcompanhamentoClick(); }));
}

}
