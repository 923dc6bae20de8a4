#pragma once
// The main window's side of a check-out over a Bench: the working-copy
// context, the hooks, a scripted selection, and what they were told.
#include "support.h"
#include "workcopy/textos.h"
#include "workcopy/workcopycontext.h"
#include "workflow/checkout.h"
#include <memory>

namespace chktest {

using wctest::Bench;
using wctest::Packet;

inline const QString kTask = "0000005001", kActivity = "00001", kRequest = "0000012001";

// A second repository user, for locks that are not ours.
inline const QString kOutro = "svn_x", kSenhaOutro = "Pw55-outro";
bool AddOtherUser();

QString AbortOf(const std::function<void()> &action);

struct Janela {
    // fluxo: the workflow context, the bench's own (over its scripted server) by default.
    explicit Janela(Bench &b, workflow::WorkflowContext *fluxo = nullptr);
    std::unique_ptr<workflow::Checkout> novo() { return std::make_unique<workflow::Checkout>(ctx.fluxo, ctx, hooks); }
    workflow::PedidoCheckout pedido(const QString &processo = "0000011045") const;

    Bench &bench;
    QString stDirArqSV = "c:\\svnupdate";
    bool escolhida = false;
    qor::RecordSet cdsOperDesenv, cdsParamVersao;
    QList<int> barra;
    bool confirmacao = false;
    int desabilitou = 0;
    int grade = 0;
    bool painel = false;
    QString operador = "000000000001";
    // The platform chosen at start, as the workflow context carries it.
    void plataforma(workflow::PlataformaProduto valor) { ctx.fluxo.setPlataforma(valor); }
    QStringList escolha;             // what the scripted selection gives
    bool confirma = true;
    std::vector<workflow::SelecaoCheckout> selecoes;
    QStringList animacoes;
    QString repositorio, base = "c:\\prod\\chk";
    workcopy::WorkCopyContext ctx;
    workflow::CheckoutHooks hooks;
};

// The answers of a development activity whose product is under version
// control, whose work item nobody holds and that needs no update.
void RespostasPadrao(wctest::FakeServer &server);

}
