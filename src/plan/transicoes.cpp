#include "plan/transicoes.h"
#include "host/messages.h"
#include "host/services.h"
#include "plan/processos.h"
#include "plan/situacao.h"
#include "server/remote.h"
#include <QAbstractButton>
#include <QJsonArray>

namespace plan {

namespace {

const QString kSituacao = QStringLiteral("IDSITATIVTAR");
const QString kConfirmacao = QStringLiteral("IDORIGTARE");
const QString kRealizado = QStringLiteral("DTFIRATIVTAR");
const QString kTarefaAtividade = QStringLiteral("NRTAREFA;NRPLATIVTARE");
// The plan's visible column where a start left half done says so.
const QString kNota = QStringLiteral("DSSTFASETRAM");

QDateTime dataDe(const qor::RecordSet &records, const QString &campo)
{
    const qor::Field *f = records.findField(campo);
    if (!f || f->isNull())
        return {};
    QDateTime data = f->asDateTime();
    if (!data.isValid())
        data = QDateTime::fromString(f->asString(), Qt::ISODate);
    return data;
}

QString antesDoPontoEVirgula(const QString &texto)
{
    return texto.section(u';', 0, 0);
}

// Sets a flag for the life of the scope, cleared also when the scope ends by an error.
struct Liga {
    bool &flag;
    explicit Liga(bool &f) : flag(f) { flag = true; }
    ~Liga() { flag = false; }
};

}

// ---- Rules ------------------------------------------------------------------------------------

bool DataZero(const QDateTime &data)
{
    return !data.isValid() || data.date().year() < 1900;
}

bool SemPlanejamento(const QString &tempoPlanejado, const QDateTime &fimPlanejado)
{
    return tempoPlanejado.trimmed() == QLatin1String("00:00") || DataZero(fimPlanejado);
}

QDate PrazoPatch(const QDateTime &fimPatch, const QDateTime &seguranca)
{
    return DataZero(seguranca) ? fimPatch.date() : seguranca.date();
}

Recusa RecusaInicioPlanejado(const QString &tempoPlanejado, const QDateTime &fimPlanejado, const InfoProjeto &info)
{
    if (SemPlanejamento(tempoPlanejado, fimPlanejado))
        return {QStringLiteral("Nao_Apr"), {}};
    if (!info.acordo)
        return {QStringLiteral("Nao_Acordo"), {}};
    if (info.sitProjeto != QLatin1String("A"))
        return {QStringLiteral("Nao_Proj_And"), {}};
    if (info.patchVencida)
        return {QStringLiteral("Patch_Vencida"), info.fimPatchVencida};
    return {};
}

Recusa RecusaMonitoramento(const QString &processo, const QString &sitProjeto, bool temPatch,
                           const QDateTime &fimPatch, const QDateTime &seguranca, const QDate &hoje)
{
    if (sitProjeto != QLatin1String("A"))
        return {QStringLiteral("Nao_Proj_And"), {}};
    if (!temPatch)
        return processos::MonitoramentoSemHomologacao(processo) ? Recusa{} : Recusa{QStringLiteral("Nao_Proj"), {}};
    const QDate prazo = PrazoPatch(fimPatch, seguranca);
    if (prazo.isValid() && hoje > prazo)
        return {QStringLiteral("Patch_Vencida"), prazo};
    return {};
}

PedidoVersao PedidoVersao::DaLinha(const qor::RecordSet &plano)
{
    auto campo = [&plano](const char *nome) { return plano.textOf(QString::fromLatin1(nome)); };
    return {campo("CDPRODGRUP"), campo("CDPROCESSO"), campo("CDFILIAL"),
            campo("NRSOLISERV"), campo("NRTAREFA"),   campo("NRPLATIVTARE"),
            campo("CDITEMTRAB"), antesDoPontoEVirgula(campo("DSDIRVSS")), antesDoPontoEVirgula(campo("DSDIRBASEVER"))};
}

// ---- The transitions ----------------------------------------------------------------------------

TransicoesAtividade::TransicoesAtividade(TransicoesContexto ctx) : m_ctx(std::move(ctx)), m_op(m_ctx.operacoes)
{
    if (!m_op.criaResposta)
        m_op.criaResposta = [this](const AnswerRequest &pedido) { return CriaResposta(m_ctx.server, pedido); };
}

QString TransicoesAtividade::campo(const char *nome) const
{
    return m_ctx.cdsPlanAtivTare.textOf(QString::fromLatin1(nome));
}

QString TransicoesAtividade::chaveTexto(const vcs::ActivityKey &chave)
{
    return chave.filial.trimmed() + u'|' + chave.tarefa.trimmed() + u'|' + chave.atividade.trimmed();
}

bool TransicoesAtividade::localiza(const QString &chaves, const QVariantList &valores)
{
    return m_ctx.cdsPlanAtivTare.locate(chaves, valores, qor::CaseInsensitive);
}

void TransicoesAtividade::recusa(const Recusa &r)
{
    if (m_op.liberaGrade)
        m_op.liberaGrade();
    QString texto = m_ctx.textos.Msg(r.chave);
    if (r.chave == QLatin1String("Patch_Vencida"))
        texto += u' ' + r.prazo.toString(QStringLiteral("dd/MM/yyyy")) + u'.';
    qor::MensErro(texto, true);
}

void TransicoesAtividade::dbgPadraoCellClick(int row, const QString &campoClicado)
{
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    if (row >= 0 && row < plano.recordCount() && plano.recNo() != row)
        plano.moveTo(row);
    if (!plano.isEmpty() && !E(campo("IDSITATIVTAR"), Situacao::Concluida)) {
        if (campoClicado == kSituacao)
            cliqueSituacao();
        else if (campoClicado == kConfirmacao)
            cliqueConfirmacao();
    }
    atualizacaoDiaria();
}

void TransicoesAtividade::atualizacaoDiaria()
{
    if (!m_op.atualizaArqLogin)
        return;
    const Liga opera(m_ctx.estado.boOperaSubversion);
    m_op.atualizaArqLogin();
}

// ---- Status column: start, pause, resume ----------------------------------------------------------

void TransicoesAtividade::cliqueSituacao()
{
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    EstadoTransicoes &estado = m_ctx.estado;
    estado.bkPosicao = plano.bookmark();
    estado.boJustificou = Verifica_Atendimento_Andamento(false);
    if (!estado.boJustificou || !plano.bookmarkValid(estado.bkPosicao))
        return;
    plano.gotoBookmark(estado.bkPosicao);
    if (m_op.bloqueiaGrade)
        m_op.bloqueiaGrade();
    // Also a failing server call gives the grid back: the operator's next click resumes.
    struct Libera {
        const std::function<void()> &libera;
        ~Libera()
        {
            if (libera)
                libera();
        }
    } libera{m_op.liberaGrade};
    const PedidoVersao pedido = PedidoVersao::DaLinha(plano);
    const QString situacao = campo("IDSITATIVTAR");
    Get_Info_Projeto_Ativ(pedido.produto, pedido.solicitacao, pedido.tarefa, pedido.atividade, pedido.processo,
                          pedido.itemTrab);
    if (processos::Monitoramento(pedido.processo))
        verificaMonitoramento(pedido);
    if (processos::Planejado(pedido.processo))
        iniciaPlanejado(pedido, situacao);
    else
        iniciaNaoPlanejado(pedido, situacao);
}

void TransicoesAtividade::verificaMonitoramento(const PedidoVersao &pedido)
{
    const InfoProjeto info = infoProjeto();
    if (info.sitProjeto != QLatin1String("A"))
        recusa({QStringLiteral("Nao_Proj_And"), {}});
    m_ctx.server.load(cdsVerificaPatchTeste, QStringLiteral("GetVerificaPatchTeste"),
                      {pedido.filial, pedido.tarefa, pedido.atividade});
    cdsVerificaPatchTeste.first();
    recusaSe(RecusaMonitoramento(pedido.processo, info.sitProjeto, !cdsVerificaPatchTeste.isEmpty(),
                                 dataDe(cdsVerificaPatchTeste, QStringLiteral("DTFPATCHGRPROJ")),
                                 dataDe(cdsVerificaPatchTeste, QStringLiteral("DTSEGURGRPRJBL")),
                                 QDate::currentDate()));
}

void TransicoesAtividade::iniciaNaoPlanejado(const PedidoVersao &pedido, const QString &situacao)
{
    m_ctx.estado.boCheckOut = true;
    if (Planejada(situacao) && processos::CheckoutLivre(pedido.processo))
        checkoutAoIniciar(pedido);
    if (E(situacao, Situacao::Paralisada))
        guardaCopias(pedido);
    mudaEReabre(pedido);
}

void TransicoesAtividade::iniciaPlanejado(const PedidoVersao &pedido, const QString &situacao)
{
    if (E(situacao, Situacao::EmAndamento)) {
        Change_Status(pedido.tarefa, pedido.atividade);
        return;
    }
    recusaSe(RecusaInicioPlanejado(campo("DSTEMPLAITAR"), dataDe(m_ctx.cdsPlanAtivTare, QStringLiteral("DTFIPATIVTAR")),
                                   infoProjeto()));
    m_ctx.estado.boCheckOut = true;
    if (Planejada(situacao) && processos::PlanejadoCheckout(pedido.processo))
        checkoutAoIniciar(pedido);
    mudaEReabre(pedido);
}

// A start the server never recorded left the files checked out (and the
// work item taken): a second check-out would be refused or lock them twice.
void TransicoesAtividade::checkoutAoIniciar(const PedidoVersao &pedido)
{
    if (inicioPendente(pedido.chave()))
        return;
    cdsArqCheckout.close();
    m_ctx.server.load(cdsArqCheckout, QStringLiteral("GetArqCheckout"), {pedido.filial, pedido.tarefa, pedido.atividade});
    if (!cdsArqCheckout.isEmpty()) {
        m_inicioPendente.insert(chaveTexto(pedido.chave()));
        return;
    }
    if (m_op.realizaCheckout)
        m_op.realizaCheckout(pedido);
    m_inicioPendente.insert(chaveTexto(pedido.chave()));
}

// Resuming: the checked-out files are backed up again.
void TransicoesAtividade::guardaCopias(const PedidoVersao &pedido)
{
    if (!m_op.idProdSvn || m_op.idProdSvn(pedido.produto) != QLatin1String("S"))
        return;
    cdsArqCheckout.close();
    m_ctx.server.load(cdsArqCheckout, QStringLiteral("GetArqCheckout"), {pedido.filial, pedido.tarefa, pedido.atividade});
    for (int row = 0; row < cdsArqCheckout.recordCount() && m_op.gravaBackup; ++row)
        m_op.gravaBackup(cdsArqCheckout.textAt(QStringLiteral("NMARQUIVO"), row), pedido);
}

void TransicoesAtividade::mudaEReabre(const PedidoVersao &pedido)
{
    Change_Status(pedido.tarefa, pedido.atividade);
    if (E(campo("IDSITATIVTAR"), Situacao::EmAndamento) && !DataZero(dataDe(m_ctx.cdsPlanAtivTare, kRealizado)))
        finaliza(QStringLiteral("0"));
}

void TransicoesAtividade::finaliza(const QString &indicador)
{
    m_ctx.server.call(QStringLiteral("SetFinalizaTarefa"),
                      {campo("CDFILIAL"), campo("NRTAREFA"), campo("NRPLATIVTARE"), indicador, campo("CDPROJETO")});
}

// ---- Change_Status ---------------------------------------------------------------------------------

void TransicoesAtividade::Change_Status(const QString &tarefa, const QString &atividade)
{
    if (!m_ctx.estado.boCheckOut)
        return;
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    const QVariantList alvo{tarefa, atividade};
    // The local edits below are undone when the server never heard of them.
    plano.mergeChangeLog();
    bool servidorMudou = false;
    vcs::ActivityKey chave;
    try {
        if (!plano.isEmpty()) {
            plano.first();
            if (plano.locate(kSituacao, {TextoDe(Situacao::EmAndamento)})
                && campo("NRTAREFA") + campo("NRPLATIVTARE") != tarefa + atividade) {
                plano.edit();
                plano.fieldByName(kSituacao).setAsString(TextoDe(Situacao::Paralisada));
                plano.post();
            }
        }
        if (!localiza(kTarefaAtividade, alvo))
            return;
        chave = {campo("CDFILIAL"), campo("NRTAREFA"), campo("NRPLATIVTARE")};
        const QString situacao = campo("IDSITATIVTAR");
        const bool diretorio = processos::DiretorioTrabalho(campo("CDPROCESSO"));
        plano.edit();
        if (Planejada(situacao) || E(situacao, Situacao::Paralisada)) {
            plano.fieldByName(kSituacao).setAsString(TextoDe(Situacao::EmAndamento));
            if (diretorio && m_op.setArquivo)
                m_op.setArquivo(QStringLiteral("RW"), campo("DSDIRBASEVER"));
        } else if (E(situacao, Situacao::EmAndamento)) {
            plano.fieldByName(kSituacao).setAsString(TextoDe(Situacao::Paralisada));
            if (diretorio && m_op.setArquivo)
                m_op.setArquivo(QStringLiteral("RO"), campo("DSDIRBASEVER"));
        }
        plano.post();
        {
            server::RemoteServer::Use use(m_ctx.server);
            m_ctx.server.call(QStringLiteral("SetPlanAtivTare"), {chave.filial, chave.tarefa, chave.atividade});
            servidorMudou = true;
            m_ctx.server.load(m_ctx.cdsAtividadeAndamento, QStringLiteral("GetAtivAndamento"),
                              {qor::FiliProc(), qor::Operador()});
        }
    } catch (...) {
        if (plano.state() != qor::RecordSet::State::Browse)
            plano.cancel();
        if (!servidorMudou) {
            plano.cancelUpdates();
            if (localiza(kTarefaAtividade, alvo)
                && inicioPendente({campo("CDFILIAL"), campo("NRTAREFA"), campo("NRPLATIVTARE")}))
                marcaPendente();
        }
        throw;
    }
    plano.mergeChangeLog();
    m_inicioPendente.remove(chaveTexto(chave));
    const QString atendimento = m_ctx.cdsAtividadeAndamento.textOf(QStringLiteral("IDATENDIMENTO"));
    if (m_op.sbtAteInterno)
        m_op.sbtAteInterno->setChecked(atendimento == QLatin1String("I"));
    if (m_op.sbtAteExterno)
        m_op.sbtAteExterno->setChecked(atendimento == QLatin1String("E"));
    if (m_op.recarregaPlano)
        m_op.recarregaPlano();
    localiza(kTarefaAtividade, alvo);
}

// The row keeps saying, in its phase column, that its files are checked out
// and its start is still to be recorded; a reload keeps the note.
void TransicoesAtividade::marcaPendente()
{
    if (m_notaInstalada)
        return;
    qor::Field *nota = m_ctx.cdsPlanAtivTare.findField(kNota);
    if (!nota)
        return;
    m_notaInstalada = true;
    const qor::RecordSet *plano = &m_ctx.cdsPlanAtivTare;
    const std::function<QString(const qor::Field &)> anterior = nota->onGetText;
    nota->onGetText = [this, plano, anterior](const qor::Field &f) {
        const vcs::ActivityKey chave{plano->textOf(QStringLiteral("CDFILIAL")), plano->textOf(QStringLiteral("NRTAREFA")),
                                     plano->textOf(QStringLiteral("NRPLATIVTARE"))};
        if (inicioPendente(chave) && Planejada(plano->textOf(kSituacao)))
            return m_ctx.textos.Msg(QStringLiteral("Inicio_Pendente"));
        return anterior ? anterior(f) : f.asString();
    };
}

// ---- Attendance -------------------------------------------------------------------------------------

bool TransicoesAtividade::Verifica_Atendimento_Andamento(bool aviso)
{
    bool resultado = true;
    if (!encerra(QStringLiteral("I"), m_op.sbtAteInterno, aviso))
        resultado = false;
    else if (!encerra(QStringLiteral("E"), m_op.sbtAteExterno, aviso))
        resultado = false;
    return resultado;
}

// False when an attendance of that kind runs and its justification was not confirmed.
bool TransicoesAtividade::encerra(const QString &tipo, QAbstractButton *botao, bool aviso)
{
    if (!botao || !botao->isChecked()
        || m_ctx.cdsAtividadeAndamento.textOf(QStringLiteral("IDATENDIMENTO")) != tipo)
        return true;
    if (aviso)
        qor::MsgAlertEx(m_ctx.textos.Msg(QStringLiteral("Justificativa_Inf")), 2,
                        {m_ctx.textos.Msg(QStringLiteral("OK"))}, 1, 0, 0);
    return m_op.encerraAtendimento && m_op.encerraAtendimento(tipo);
}

// ---- Project information --------------------------------------------------------------------------

void TransicoesAtividade::Get_Info_Projeto_Ativ(const QString &produto, const QString &solicitacao,
                                                const QString &tarefa, const QString &atividade,
                                                const QString &processo, const QString &itemTrab)
{
    for (qor::RecordSet *rs : {&cdsSitProjeto, &cdsPatchVencida, &cdsItemTarefa})
        if (rs->active())
            rs->emptyDataSet();
    const QString operador = qor::Operador();
    const QJsonArray pacotes = m_ctx.server.callArray(
        QStringLiteral("GetGeral"),
        {operador, solicitacao, qor::FiliProc(), tarefa, atividade, operador, processo, produto, itemTrab});
    qor::RecordSet *destinos[] = {&cdsSitProjeto, &cdsPatchVencida, &cdsAcordo, &cdsItemTarefa};
    for (int i = 0; i < 4 && i < pacotes.size(); ++i)
        if (pacotes.at(i).isObject())
            destinos[i]->setData(pacotes.at(i).toObject());
    bool acordo = false;
    for (int row = 0; row < cdsAcordo.recordCount() && !acordo; ++row)
        acordo = cdsAcordo.textAt(QStringLiteral("IDACORDOPROJ"), row) == QLatin1String("S");
    m_ctx.estado.boAcordo = acordo;
}

InfoProjeto TransicoesAtividade::infoProjeto() const
{
    InfoProjeto info;
    info.sitProjeto = cdsSitProjeto.recordCount() > 0 ? cdsSitProjeto.textAt(QStringLiteral("IDSITPROJETO"), 0) : QString();
    info.acordo = m_ctx.estado.boAcordo;
    info.patchVencida = cdsPatchVencida.recordCount() > 0;
    if (info.patchVencida) {
        const QVariant fim = cdsPatchVencida.fieldByName(QStringLiteral("DTFPATCHGRPROJ")).valueAt(0);
        QDateTime data = fim.toDateTime();
        if (!data.isValid())
            data = QDateTime::fromString(fim.toString(), Qt::ISODate);
        info.fimPatchVencida = data.date();
    }
    return info;
}

// ---- Confirm column: finish, conclude ---------------------------------------------------------------

void TransicoesAtividade::cliqueConfirmacao()
{
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    const QString situacao = campo("IDSITATIVTAR");
    if (E(situacao, Situacao::Paralisada) && !DataZero(dataDe(plano, kRealizado))) {
        EstadoTransicoes &estado = m_ctx.estado;
        estado.bkPosicao = plano.bookmark();
        const PedidoVersao pedido = PedidoVersao::DaLinha(plano);
        if (processos::Planejado(pedido.processo)) {
            Get_Info_Projeto_Ativ(pedido.produto, pedido.solicitacao, pedido.tarefa, pedido.atividade,
                                  pedido.processo, pedido.itemTrab);
            const InfoProjeto info = infoProjeto();
            if (info.patchVencida)
                recusa({QStringLiteral("Patch_Vencida"), info.fimPatchVencida});
        }
        estado.boJustificou = Verifica_Atendimento_Andamento(true);
        if (plano.bookmarkValid(estado.bkPosicao))
            plano.gotoBookmark(estado.bkPosicao);
        // The activity clicked, also when a reload of the attendance moved the cursor.
        if (estado.boJustificou)
            Concluir_Atividade(pedido.filial, pedido.tarefa, pedido.atividade);
    } else if (E(situacao, Situacao::EmAndamento)) {
        finaliza(QStringLiteral("1"));
        plano.edit();
        plano.fieldByName(kRealizado).setValue(QDateTime::currentDateTime());
        plano.post();
    }
}

void TransicoesAtividade::MenuItem7Click()
{
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    if (plano.isEmpty() || !E(campo("IDSITATIVTAR"), Situacao::EmAndamento))
        return;
    const PedidoVersao pedido = PedidoVersao::DaLinha(plano);
    if (processos::ConfirmaMenu(pedido.processo)) {
        Get_Info_Projeto_Ativ(pedido.produto, pedido.solicitacao, pedido.tarefa, pedido.atividade, pedido.processo,
                              pedido.itemTrab);
        // The integrated test is the one of them that is not planned: it skips the start checks.
        if (processos::Planejado(pedido.processo))
            recusaSe(RecusaInicioPlanejado(campo("DSTEMPLAITAR"), dataDe(plano, QStringLiteral("DTFIPATIVTAR")),
                                           infoProjeto()));
    }
    Concluir_Atividade(pedido.filial, pedido.tarefa, pedido.atividade);
}

void TransicoesAtividade::Concluir_Atividade(const QString &filial, const QString &tarefa, const QString &atividade)
{
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    const auto libera = [this] {
        if (m_op.liberaGrade)
            m_op.liberaGrade();
    };
    try {
        if (!localiza(QStringLiteral("CDFILIAL;NRTAREFA;NRPLATIVTARE"), {filial, tarefa, atividade}))
            return;
        if (m_op.bloqueiaGrade)
            m_op.bloqueiaGrade();
        const PedidoVersao pedido = PedidoVersao::DaLinha(plano);
        const bool marcado = m_op.anexaArquivoGeracao ? m_op.anexaArquivoGeracao(pedido) : true;
        if (!marcado) {
            libera();
            if (m_op.plataforma && m_op.plataforma() == vcs::PlataformaProduto::Delphi
                && processos::Patch(pedido.processo))
                recusa({QStringLiteral("Arq_Patch_N_Inf"), {}});
            return;
        }
        cdsProc.close();
        m_ctx.server.load(cdsProc, QStringLiteral("GetProcAtend"), {pedido.filial});
        if (!m_op.criaResposta({pedido.filial, pedido.tarefa, pedido.atividade, pedido.processo,
                                campo("CDQUALIFPROC"), QString()})) {
            libera();
            return;
        }
        localiza(QStringLiteral("CDFILIAL;NRTAREFA;NRPLATIVTARE"), {filial, tarefa, atividade});
        const bool versionado = m_op.idProdSvn && m_op.idProdSvn(pedido.produto) == QLatin1String("S");
        const bool precisaCheckin = versionado && processos::Checkin(pedido.processo);
        // Without the check-in an activity whose files are under version control is never concluded.
        if (precisaCheckin && !m_op.realizaCheckin)
            recusa({QStringLiteral("Checkin_Indisponivel"), {}});
        const bool checkin = m_op.realizaCheckin ? m_op.realizaCheckin(pedido) : false;
        localiza(QStringLiteral("CDFILIAL;NRTAREFA;NRPLATIVTARE"), {filial, tarefa, atividade});
        if (checkin && versionado) {
            if (!(m_op.confirmouCheckin && m_op.confirmouCheckin())) {
                libera();
                return;
            }
            if (m_op.limpaConfirmacaoCheckin)
                m_op.limpaConfirmacaoCheckin();
            if (m_op.plataforma && m_op.plataforma() == vcs::PlataformaProduto::Asp && m_op.anexoArquivoGeracaoAsp)
                m_op.anexoArquivoGeracaoAsp(pedido);
            concluiLinha();
            return;
        }
        // A check-in process whose check-in did not run through keeps its files and its state.
        if (precisaCheckin)
            recusa({QStringLiteral("Checkin_Indisponivel"), {}});
        if (m_op.limpaConfirmacaoCheckin)
            m_op.limpaConfirmacaoCheckin();
        concluiLinha();
        libera();
        if (m_op.recarregaPlano)
            m_op.recarregaPlano();
    } catch (...) {
        libera();
        throw;
    }
}

void TransicoesAtividade::concluiLinha()
{
    SetConclui_Ativ_Geral(campo("CDFILIAL"), campo("CDPROJETO"), campo("CDPRODGRUP"), campo("NRTAREFA"),
                          campo("NRPLATIVTARE"), campo("CDITEMTRAB"), campo("CDQUALIFPROC"));
    qor::RecordSet &plano = m_ctx.cdsPlanAtivTare;
    plano.edit();
    plano.fieldByName(kSituacao).setAsString(TextoDe(Situacao::Concluida));
    plano.post();
}

void TransicoesAtividade::SetConclui_Ativ_Geral(const QString &filial, const QString &projeto, const QString &produto,
                                                const QString &tarefa, const QString &atividade,
                                                const QString &itemTrab, const QString &qualificacao)
{
    m_ctx.server.call(QStringLiteral("SetConcAtivGeral"), {filial, tarefa, atividade, itemTrab, qualificacao,
                                                          qor::Operador(), qor::EmprProc(), projeto, produto});
}

// ---- The alert about colleagues without appropriation ------------------------------------------------

void TransicoesAtividade::tmrOperSemAtivTimer(const QString &janelaAtiva)
{
    // Never in the middle of a version-control workflow: its runner lets events through.
    if (janelaAtiva == QLatin1String("frmAcompanhaAPR") || m_ctx.estado.boOperaSubversion)
        return;
    cdsOperSemApro.close();
    m_ctx.server.load(cdsOperSemApro, QStringLiteral("GetOperSemApro"), {qor::FiliProc(), qor::Operador()});
    QString lista;
    for (int row = 0; row < cdsOperSemApro.recordCount(); ++row)
        lista += u'\n' + cdsOperSemApro.textAt(QStringLiteral("NMOPERADOR"), row);
    if (lista.isEmpty() || m_ctx.estado.boOperaSubversion)
        return;
    if (m_op.trazAFrente)
        m_op.trazAFrente();
    qor::MsgAlertEx(m_ctx.textos.Msg(QStringLiteral("Oper_Sem_Apro")) + lista, 2,
                    {m_ctx.textos.Msg(QStringLiteral("OK"))}, 1, 0, 0);
}

}
