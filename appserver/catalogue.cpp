#include "catalogue.h"
#include "authorisation.h"
#include "database.h"
#include "handlers.h"
#include "rpcerror.h"
#include "sessions.h"

namespace apr {

namespace {

constexpr ArgKind T = ArgKind::Text;
constexpr ArgKind I = ArgKind::Integer;
constexpr ArgKind D = ArgKind::Date;
constexpr ArgKind V = ArgKind::Variant;

const Param filial{"filial", T};
const Param operador{"operador", T};
const Param tarefa{"NRTAREFA", T};
const Param atividade{"NRPLATIVTARE", T};
const Param solicitacao{"NRSOLISERV", T};
const Param produto{"produto", T};
const Param itemTrab{"item de trabalho", T};

// The remote methods the module calls, with their positional arguments.
const std::vector<MethodEntry> methods = {
    {"ClearArqCheckout", {{filial, tarefa, atividade}}, clearArqCheckout},
    {"DelPatchTram", {{solicitacao, filial, {"arquivo", T}, {"data", D}}}, delPatchTram},
    {"Get_Inicial", {{operador, filial, operador},
                     {operador, filial, operador, {"login", T}, {"produto inicial", T}, {"produto final", T}}},
     getInicial},
    {"Get_ItemTarefa", {{filial, operador}}, getItemTarefaOperador},
    {"GetArqCheck", {{filial, tarefa, atividade}}, getArqCheck},
    {"GetArqCheckout", {{filial, tarefa, atividade}}, getArqCheckout},
    {"GetArquivosPatch", {{filial, solicitacao, {"data da fase", D}}}, getArquivosPatch},
    {"GetAtivAndamento", {{filial, operador}}, getAtivAndamento},
    {"Getativpen", {{tarefa, atividade}}, getativpen},
    {"GetDirItemTrab", {{itemTrab, {"grupo de produto", T}}}, getDirItemTrab},
    {"GetDirProd", {{produto}}, getDirProd},
    {"GetGeral", {{operador, solicitacao, filial, tarefa, atividade, operador, {"CDPROCESSO", T},
                   {"CDPRODGRUP", T}, {"CDITEMTRAB", T}}},
     getGeral},
    {"GetItemTarefa", {{filial, operador, tarefa, atividade, {"grupo de produto", T}, itemTrab}}, getItemTarefa},
    {"GetItemTrab", {{itemTrab}}, getItemTrab},
    {"GetOperador", {{operador}}, getOperador},
    {"GetOperSemApro", {{filial, operador}}, getOperSemApro},
    {"GetParamProdSVN", {{{"CDARVPROD", T}}}, getParamProdSVN},
    {"GetPatchFaseTram", {{filial, solicitacao}}, getPatchFaseTram},
    {"GetPesqQualifica", {{{"processo", T}, {"qualificação", T}, {"tipo", T}}}, getPesqQualifica},
    {"GetPlanAtivTare", {{filial, operador, {"início planejado", ArgKind::DateOrZero}, {"projeto", T},
                          {"solicitação", T}, {"item de trabalho", T}, {"processo", T}, {"cliente", T},
                          {"produto inicial", T}, {"produto final", T}}},
     getPlanAtivTare},
    {"GetProcAtend", {{filial}}, getProcAtend},
    {"GetProdAtual", {{{"plataforma", I}}}, getProdAtual},
    {"GetProdMercado", {{{"grupo de produto", T}}}, getProdMercado},
    {"GetProdSubv", {{produto}}, getProdSubv},
    {"GetProdSVN", {{{"produto inicial", T}, {"produto final", T}}}, getProdSVN},
    {"GetProgOperOpc", {{{"programa", T}, operador}}, getProgOperOpc},
    {"GetResposta", {{filial, tarefa, atividade}}, getResposta},
    {"GetVdArqCheckout", {{filial, tarefa, atividade}}, getVdArqCheckout},
    {"GetVdRelacItTrabProd", {{produto, itemTrab}}, getVdRelacItTrabProd},
    {"GetVdsolitemtrab", {{solicitacao, produto, itemTrab}}, getVdsolitemtrab},
    {"GetVerificaPatchTeste", {{filial, tarefa, atividade}}, getVerificaPatchTeste},
    {"GetVersao", {{solicitacao, filial}}, getVersao},
    {"Inclui_ItemTrab", {{itemTrab, filial, tarefa, atividade}}, incluiItemTrab},
    {"InsPatchTram", {{filial, solicitacao, {"sequência", T}, {"arquivo", T}, {"CDPRODGRUP", T},
                       {"CDVERPROORIG", T}, {"CDRELVERORIG", T}, {"CDPATRELORIG", T},
                       {"data da fase", D}, {"retorno", V}}},
     insPatchTram},
    {"ReleaseMetaDados", {{{"usuário", T}, filial, tarefa, atividade, {"CDARVPRODGRUP", T}}}, releaseMetaDados},
    {"SetAproAtiv", {{filial, operador, {"operador digitado", T}, {"cliente", T}, {"observação", T}}}, setAproAtiv},
    {"SetArqCheckout", {{filial, tarefa, atividade, {"código do arquivo", T}, {"arquivo", T}}}, setArqCheckout},
    {"SetCheckout", {{operador, itemTrab, {"situação", T}, produto, {"modo", T}}}, setCheckout},
    {"SetConcAtivGeral", {{{"CDFILIAL", T}, tarefa, atividade, {"CDITEMTRAB", T}, {"CDQUALIFPROC", T},
                           operador, {"empresa", T}, {"CDPROJETO", T}, {"CDPRODGRUP", T}}},
     setConcAtivGeral},
    {"SetDataAtuProd", {{produto}}, setDataAtuProd},
    {"SetDesaproAtiv", {{filial, operador}}, setDesaproAtiv},
    {"SetEquipTrab", {{operador, filial, tarefa, atividade, {"empresa", T}}}, setEquipTrab},
    {"SetFila_PlanAtiv", {{filial, tarefa, atividade, {"NRPRIOATIVTR", T}}}, setFilaPlanAtiv},
    {"SetFinalizaTarefa", {{filial, tarefa, atividade, {"indicador", T}, {"CDPROJETO", T}}}, setFinalizaTarefa},
    {"SetPlanAtivTare", {{filial, tarefa, atividade}}, setPlanAtivTare},
    {"SetProgOperOpc", {{{"programa", T}, operador, {"TXPROPRIED", T}, {"modo", T}}}, setProgOperOpc},
    {"SetReleaseAntNula", {{filial, tarefa, atividade}}, setReleaseAntNula},
    {"SetReleaseAntSVN", {{filial, tarefa, atividade, {"código do arquivo", T},
                           {"release", ArgKind::TextOrZero}}},
     setReleaseAntSVN},
    {"SetReleaseAtuSVN", {{filial, tarefa, atividade, {"release", T}, {"código do arquivo", T}}},
     setReleaseAtuSVN},
    {"SetResp_PlanAtiv", {{{"alterações", V}}}, setRespPlanAtiv},
    {"SetResposta", {{filial, tarefa, atividade, {"resposta", T}}}, setResposta},
    {"SetStatusAtivPen", {{tarefa, atividade}}, setStatusAtivPen},
    {"SetTarefa", {{filial, operador, {"tipo de atendimento", T}}}, setTarefa},
    {"SignIn", {{operador, {"senha", T}, filial, {"empresa", T}}}, signIn, true},
    {"Resume", {{{"token", T}}}, resume},
    {"SignOut", {Form{}}, signOut},
    {"SetUpdateQualif", {{{"qualificação", T}, filial, tarefa, atividade, {"processo", T}}}, setUpdateQualif},
    // Besides the module's own: the look-ups by name and the activity description (APR00600).
    {"GetPesquisa", {{{"consulta", T}, {"parâmetros", V}}}, pesquisar},
    {"GetDescricaoAtiv", {{filial, tarefa, atividade}}, getDescricaoAtiv},
    // The operator's booked time of a period, for the appropriation follow-up (APR00500).
    {"GetApropriacaoPeriodo", {{filial, operador, {"data inicial", D}, {"data final", D}}}, getApropriacaoPeriodo},
};

// A session may have been signed out or have expired through another
// connection or server; a long-lived connection looks again now and then.
void confirmWhenDue(CallContext &context)
{
    ConnectionSession *session = context.session;
    if (!session || !session->signedIn() || !context.policy
        || session->checkedAt.secsTo(QDateTime::currentDateTimeUtc()) < context.policy->recheckSeconds)
        return;
    Transaction transaction(context.db, true);
    confirmSession(context.db, *context.policy, *session);
    transaction.commit();
}

}

const std::vector<MethodEntry> &catalogue()
{
    return methods;
}

const MethodEntry *findMethod(const QString &name)
{
    for (const MethodEntry &entry : methods)
        if (name == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

Reply dispatch(CallContext &context, const QString &method, const QJsonArray &params)
{
    const MethodEntry *entry = findMethod(method);
    if (!entry)
        throw RpcError(MethodNotFound, QString("%1: method not found").arg(method));
    requireSession(context, method);
    const int form = checkParams(method, entry->forms, params);
    confirmWhenDue(context);
    if (entry->ownTransactions) {
        authorise(context, method, entry->forms[size_t(form)], params);
        return entry->handler(context, Args(params));
    }
    // Each call is one transaction: all of its writes land or none does.
    Transaction transaction(context.db, !method.startsWith(QLatin1String("Get")));
    authorise(context, method, entry->forms[size_t(form)], params);
    if (!entry->handler)
        throw RpcError(NotImplemented, QString("%1: not implemented yet").arg(method));
    Reply reply = entry->handler(context, Args(params));
    transaction.commit();
    return reply;
}

}
