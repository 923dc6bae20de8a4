#pragma once
#include "catalogue.h"

// Implemented methods, by area. Each is registered in catalogue.cpp.
namespace apr {

// methods_plan.cpp
Reply getPlanAtivTare(CallContext &, const Args &);
Reply setFilaPlanAtiv(CallContext &, const Args &);

// methods_inicial.cpp
Reply getInicial(CallContext &, const Args &);

// methods_activities.cpp
Reply getAtivAndamento(CallContext &, const Args &);
Reply getItemTarefaOperador(CallContext &, const Args &);
Reply setPlanAtivTare(CallContext &, const Args &);

// methods_checkout.cpp
Reply getArqCheckout(CallContext &, const Args &);
Reply getArqCheck(CallContext &, const Args &);
Reply setArqCheckout(CallContext &, const Args &);
Reply clearArqCheckout(CallContext &, const Args &);
Reply getVdArqCheckout(CallContext &, const Args &);

// methods_workitem.cpp
Reply getItemTarefa(CallContext &, const Args &);
Reply getDirItemTrab(CallContext &, const Args &);
Reply getVdsolitemtrab(CallContext &, const Args &);
Reply setStatusAtivPen(CallContext &, const Args &);
Reply getativpen(CallContext &, const Args &);
Reply getVdRelacItTrabProd(CallContext &, const Args &);
Reply getOperador(CallContext &, const Args &);
Reply getDirProd(CallContext &, const Args &);
Reply setCheckout(CallContext &, const Args &);

// methods_options.cpp
Reply getProgOperOpc(CallContext &, const Args &);
Reply setProgOperOpc(CallContext &, const Args &);

// methods_workcopy.cpp
Reply getProdSVN(CallContext &, const Args &);
Reply getProdMercado(CallContext &, const Args &);
Reply getParamProdSVN(CallContext &, const Args &);
Reply setDataAtuProd(CallContext &, const Args &);

// methods_patch.cpp
Reply getVersao(CallContext &, const Args &);
Reply getArquivosPatch(CallContext &, const Args &);
Reply getPatchFaseTram(CallContext &, const Args &);
Reply insPatchTram(CallContext &, const Args &);
Reply delPatchTram(CallContext &, const Args &);

// methods_release.cpp
Reply setReleaseAntSVN(CallContext &, const Args &);
Reply setReleaseAtuSVN(CallContext &, const Args &);
Reply setReleaseAntNula(CallContext &, const Args &);
Reply getProdSubv(CallContext &, const Args &);
Reply releaseMetaDados(CallContext &, const Args &);

// methods_answers.cpp
Reply getResposta(CallContext &, const Args &);
Reply setResposta(CallContext &, const Args &);
Reply setRespPlanAtiv(CallContext &, const Args &);
Reply getPesqQualifica(CallContext &, const Args &);
Reply setUpdateQualif(CallContext &, const Args &);
Reply getItemTrab(CallContext &, const Args &);
Reply incluiItemTrab(CallContext &, const Args &);
Reply getDescricaoAtiv(CallContext &, const Args &);

// methods_attendance.cpp
Reply setTarefa(CallContext &, const Args &);
Reply setAproAtiv(CallContext &, const Args &);
Reply setDesaproAtiv(CallContext &, const Args &);
Reply setEquipTrab(CallContext &, const Args &);
Reply getProcAtend(CallContext &, const Args &);
Reply pesquisar(CallContext &, const Args &);

// methods_status.cpp
Reply getGeral(CallContext &, const Args &);
Reply getVerificaPatchTeste(CallContext &, const Args &);
Reply setFinalizaTarefa(CallContext &, const Args &);
Reply setConcAtivGeral(CallContext &, const Args &);
Reply getOperSemApro(CallContext &, const Args &);

// methods_history.cpp
Reply getProdAtual(CallContext &, const Args &);

// methods_apropriacao.cpp
Reply getApropriacaoPeriodo(CallContext &, const Args &);
}

// methods_session.cpp
namespace apr {
Reply signIn(CallContext &, const Args &);
Reply resume(CallContext &, const Args &);
Reply signOut(CallContext &, const Args &);
}
