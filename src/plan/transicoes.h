#pragma once
// The operator's day on the plan: starting, pausing and resuming an activity
// from its status cell, finishing and concluding it from the confirm cell or
// "Confirmar", the checks before an activity may run, and the alert about
// colleagues whose appropriation stopped too long ago.
//
// Wiring in the main window (after the grid and the attendance bar exist):
//   plan::TransicoesAtividade transicoes({servidor, cdsPlanAtivTare, cdsAtividadeAndamento, msgPadrao,
//                                        {boCheckOut, boJustificou, boAcordo, boOperaSubversion, bkPosicao},
//                                        operacoes});
//   statusCellActivated / confirmCellActivated / any other clicked column -> transicoes.dbgPadraoCellClick(row, field)
//   mniConfirmar -> transicoes.MenuItem7Click();   tmrOperSemAtiv -> transicoes.tmrOperSemAtivTimer(activeName)
#include "host/recordset.h"
#include "plan/respativ.h"
#include "vcs/activitykey.h"
#include "vcs/plataforma.h"
#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QString>
#include <functional>

class QAbstractButton;
namespace qor { class TMessages; }
namespace server { class RemoteServer; }

namespace plan {

// The nine texts a check-out or check-in of a plan row takes, in their order.
struct PedidoVersao {
    QString produto, processo, filial, solicitacao, tarefa, atividade, itemTrab, repositorio, base;
    // The current row of the plan; the two directories up to their first ";".
    static PedidoVersao DaLinha(const qor::RecordSet &plano);
    vcs::ActivityKey chave() const { return {filial, tarefa, atividade}; }
};

// ---- The start rules, apart from where their data come from ------------------------------

// A date of the suite that stands for none: null, invalid or before 1900 (30/12/1899).
bool DataZero(const QDateTime &data);
// "00:00" planned or no planned end: the activity may not run.
bool SemPlanejamento(const QString &tempoPlanejado, const QDateTime &fimPlanejado);
// The homologation patch's deadline: the safety date alone when it is set.
QDate PrazoPatch(const QDateTime &fimPatch, const QDateTime &seguranca);

// A refusal: the message key and, for "Patch_Vencida", the deadline shown after it.
struct Recusa {
    QString chave;
    QDate prazo;
    explicit operator bool() const { return !chave.isEmpty(); }
};

// What GetGeral said about the activity's project.
struct InfoProjeto {
    QString sitProjeto;            // IDSITPROJETO ("A" in progress)
    bool acordo = false;           // an agreement row with IDACORDOPROJ "S"
    bool patchVencida = false;     // cdsPatchVencida has rows
    QDate fimPatchVencida;         // its DTFPATCHGRPROJ
};

// A planned process starting or resuming, checks in their order.
Recusa RecusaInicioPlanejado(const QString &tempoPlanejado, const QDateTime &fimPlanejado, const InfoProjeto &info);
// A monitoring process: project in progress, a homologation patch group
// (temPatch; the two processes without one are let through) and its deadline.
Recusa RecusaMonitoramento(const QString &processo, const QString &sitProjeto, bool temPatch,
                           const QDateTime &fimPatch, const QDateTime &seguranca, const QDate &hoje);

// The module's flags the transitions read and set.
struct EstadoTransicoes {
    bool &boCheckOut;
    bool &boJustificou;
    bool &boAcordo;
    bool &boOperaSubversion;
    qor::RecordSet::Bookmark &bkPosicao;
};

// What the transitions take from the other parts of the module: the
// version-control workflows, the attendance bar, the grid and the plan's reload.
struct OperacoesTransicoes {
    // The attendance bar's buttons and the end of a running attendance ("I" or "E").
    QAbstractButton *sbtAteInterno = nullptr;
    QAbstractButton *sbtAteExterno = nullptr;
    std::function<bool(const QString &tipo)> encerraAtendimento;
    // dbgPadrao off; on again and focused unless the command view is in front.
    std::function<void()> bloqueiaGrade;
    std::function<void()> liberaGrade;
    std::function<void()> recarregaPlano;
    // The daily working-copy update of the chosen platform's product.
    std::function<void()> atualizaArqLogin;
    std::function<void(const PedidoVersao &)> realizaCheckout;
    // The check-in; empty while the module has none (a conclusion that needs it is refused).
    std::function<bool(const PedidoVersao &)> realizaCheckin;
    // boConfirmaCheckin, read and cleared.
    std::function<bool()> confirmouCheckin;
    std::function<void()> limpaConfirmacaoCheckin;
    std::function<QString(const QString &produto)> idProdSvn;
    std::function<void(const QString &modo, const QString &dirBase)> setArquivo;
    // The patch scripts of the request; returns boArquivoMarcado.
    std::function<bool(const PedidoVersao &)> anexaArquivoGeracao;
    std::function<void(const PedidoVersao &)> anexoArquivoGeracaoAsp;
    // Grava_Backup_Workdir of one checked-out file of the activity.
    std::function<void(const QString &arquivo, const PedidoVersao &)> gravaBackup;
    std::function<vcs::PlataformaProduto()> plataforma;
    // The answer dialog; plan::CriaResposta when empty.
    std::function<bool(const AnswerRequest &)> criaResposta;
    // The application restored and in front, before the alert.
    std::function<void()> trazAFrente;
};

struct TransicoesContexto {
    server::RemoteServer &server;
    qor::RecordSet &cdsPlanAtivTare;
    qor::RecordSet &cdsAtividadeAndamento;
    const qor::TMessages &textos;     // the main window's catalogue
    EstadoTransicoes estado;
    OperacoesTransicoes operacoes;
};

class TransicoesAtividade {
public:
    explicit TransicoesAtividade(TransicoesContexto ctx);

    // A click on the plan grid (field: the clicked column's field); the space
    // bar on the status cell comes here too.
    void dbgPadraoCellClick(int row, const QString &campo);
    void Change_Status(const QString &tarefa, const QString &atividade);
    bool Verifica_Atendimento_Andamento(bool aviso);
    void Get_Info_Projeto_Ativ(const QString &produto, const QString &solicitacao, const QString &tarefa,
                               const QString &atividade, const QString &processo, const QString &itemTrab);
    void Concluir_Atividade(const QString &filial, const QString &tarefa, const QString &atividade);
    void SetConclui_Ativ_Geral(const QString &filial, const QString &projeto, const QString &produto,
                               const QString &tarefa, const QString &atividade, const QString &itemTrab,
                               const QString &qualificacao);
    // "Confirmar" (Ctrl+Enter) on a running activity.
    void MenuItem7Click();
    // activeWindow: the objectName of the application's active window.
    void tmrOperSemAtivTimer(const QString &janelaAtiva);

    // Activities whose files were checked out by a start the server never
    // recorded: their next start goes on without a second check-out.
    bool inicioPendente(const vcs::ActivityKey &chave) const { return m_inicioPendente.contains(chaveTexto(chave)); }
    InfoProjeto infoProjeto() const;
    // The operations the module wired in (a test wraps one to interrupt the work in between).
    OperacoesTransicoes &operacoes() { return m_op; }

    qor::RecordSet cdsSitProjeto{QStringLiteral("cdsSitProjeto")};
    qor::RecordSet cdsPatchVencida{QStringLiteral("cdsPatchVencida")};
    qor::RecordSet cdsAcordo{QStringLiteral("cdsAcordo")};
    qor::RecordSet cdsItemTarefa{QStringLiteral("cdsItemTarefa")};
    qor::RecordSet cdsVerificaPatchTeste{QStringLiteral("cdsVerificaPatchTeste")};
    qor::RecordSet cdsArqCheckout{QStringLiteral("cdsArqCheckout")};
    qor::RecordSet cdsOperSemApro{QStringLiteral("cdsOperSemApro")};
    qor::RecordSet cdsProc{QStringLiteral("cdsProc")};

private:
    void cliqueSituacao();
    void cliqueConfirmacao();
    void iniciaNaoPlanejado(const PedidoVersao &pedido, const QString &situacao);
    void iniciaPlanejado(const PedidoVersao &pedido, const QString &situacao);
    void checkoutAoIniciar(const PedidoVersao &pedido);
    void mudaEReabre(const PedidoVersao &pedido);
    void verificaMonitoramento(const PedidoVersao &pedido);
    void guardaCopias(const PedidoVersao &pedido);
    void atualizacaoDiaria();
    bool encerra(const QString &tipo, QAbstractButton *botao, bool aviso);
    void concluiLinha();
    void finaliza(const QString &indicador);
    [[noreturn]] void recusa(const Recusa &recusa);
    void recusaSe(const Recusa &r) { if (r) recusa(r); }
    QString campo(const char *nome) const;
    bool localiza(const QString &chaves, const QVariantList &valores);
    void marcaPendente();
    static QString chaveTexto(const vcs::ActivityKey &chave);

    TransicoesContexto m_ctx;
    OperacoesTransicoes &m_op;
    QSet<QString> m_inicioPendente;
    bool m_notaInstalada = false;
};

}
