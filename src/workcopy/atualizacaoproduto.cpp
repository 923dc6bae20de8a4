#include "workcopy/atualizacaoproduto.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "server/remote.h"
#include "vcs/commandline.h"
#include "vcs/runners.h"
#include "workcopy/infocopia.h"
#include "workcopy/renomeiadiretorios.h"
#include "workcopy/textos.h"
#include "workflow/workflowcontext.h"
#include <QJsonArray>
#include <cmath>

namespace workcopy {

namespace {

const QString kRaizDir = QStringLiteral("DIRCOPTRAB");
const QString kRaizRep = QStringLiteral("DIRREPSVN");

// The first element of a ";" list: the text before the first ";", or all of it.
QString primeiro(const QString &lista)
{
    const qsizetype at = lista.indexOf(u';');
    return at < 0 ? lista : lista.left(at);
}

void retira(QString &lista, const QString &elemento)
{
    const QString comSeparador = elemento + u';';
    if (lista.contains(comSeparador))
        lista.remove(comSeparador);
    else
        lista.remove(elemento);
}

int horaMinuto(const QString &texto)
{
    return (texto.mid(11, 2) + texto.mid(14, 2)).toInt();
}

}

AtualizacaoProduto::AtualizacaoProduto(WorkCopyContext &ctx) : controle(ctx.paths), m_ctx(ctx)
{
    cdsDiretoriosGet.defineFields({{kRaizDir, qor::FieldType::String, 250}, {kRaizRep, qor::FieldType::String, 250}});
    cdsDiretoriosGet.open();
}

QString AtualizacaoProduto::CaminhoControle()
{
    m_ctx.stDirArqSV = ArquivoControle::CompletaCaminho(m_ctx.stDirArqSV);
    return m_ctx.stDirArqSV;
}

void AtualizacaoProduto::informa(const QString &text) const
{
    qor::MsgAlertEx(text, 2, {QStringLiteral("OK")}, 1, 0, 0);
}

bool AtualizacaoProduto::CarregaVersoes()
{
    m_ctx.cdsParamVersao.close();
    const apr::ModuleState &modulo = m_ctx.fluxo.modulo();
    const QJsonArray pacotes = m_ctx.fluxo.server().callArray(
        QStringLiteral("Get_Inicial"), {qor::Operador(), qor::FiliProc(), qor::Operador(),
                                        m_ctx.fluxo.svn().user().mid(4), modulo.stProdTrabIni, modulo.stProdTrabFin});
    const QJsonValue versoes = pacotes.at(2);
    if (versoes.isObject())
        m_ctx.cdsParamVersao.setData(versoes.toObject());
    return m_ctx.cdsParamVersao.active() && !m_ctx.cdsParamVersao.isEmpty();
}

AtualizacaoProduto::Vencimento AtualizacaoProduto::Vence(const QString &ultimoUpdate, const QDateTime &agora)
{
    Vencimento v;
    v.outroDia = ultimoUpdate.left(10) != agora.toString(QStringLiteral("dd/MM/yyyy"));
    v.depoisDas1230 = agora.time().hour() * 100 + agora.time().minute() > 1230 && horaMinuto(ultimoUpdate) < 1230;
    return v;
}

void AtualizacaoProduto::primeiraAtualizacao(const qor::RecordSet &produto, bool comRegistros)
{
    if (!comRegistros)
        controle.inicia();
    informa(MsgF(QStringLiteral("REALIZA_PRIMEIRO_UPDATE"), {produto.textOf(QStringLiteral("NMPRODUTO"))}));
    Efetua_Update(produto.textOf(QStringLiteral("DSDIRBASEVER")), produto.textOf(QStringLiteral("DSDIRVSS")));
    controle.registra(produto.textOf(QStringLiteral("CDPRODUTO")),
                      produto.fieldByName(QStringLiteral("DTATUPRODSUBVER")).asDateTime(), m_ctx.agora());
    controle.grava(CaminhoControle());
    m_ctx.confirmacao(true);
}

void AtualizacaoProduto::Atualiza_Arq_Login()
{
    if (!m_ctx.boPlataformaEscolhida)
        return;
    m_ctx.boPlataformaEscolhida = false;
    vcs::LogicalFs(m_ctx.paths).makeDirectory(m_ctx.stDirArqSV.endsWith(ArquivoControle::nome(), Qt::CaseInsensitive)
                                                  ? m_ctx.stDirArqSV.left(m_ctx.stDirArqSV.lastIndexOf(u'\\'))
                                                  : m_ctx.stDirArqSV);
    const QString caminho = CaminhoControle();
    if (!m_ctx.cdsOperDesenv.active() || m_ctx.cdsOperDesenv.isEmpty())
        return;
    const apr::ModuleState &modulo = m_ctx.fluxo.modulo();
    cdsProdDesen.close();
    m_ctx.fluxo.server().load(cdsProdDesen, QStringLiteral("GetProdSVN"), {modulo.stProdTrabIni, modulo.stProdTrabFin});
    if (cdsProdDesen.isEmpty())
        return;
    cdsProdDesen.first();
    const QString codigo = cdsProdDesen.textOf(QStringLiteral("CDPRODUTO"));
    const bool lido = controle.carrega(caminho);
    if (!lido || !controle.localiza(codigo)) {
        primeiraAtualizacao(cdsProdDesen, lido);
        return;
    }
    qor::RecordSet &registro = controle.registros();
    const QDateTime estado = cdsProdDesen.fieldByName(QStringLiteral("DTATUPRODSUBVER")).asDateTime();
    if (!(estado > registro.fieldByName(QStringLiteral("DTATUPRODSUBVER")).asDateTime()))
        return;
    const QString ultimo = registro.textOf(QStringLiteral("DTULTIMOUPDATE"));
    const QDateTime agora = m_ctx.agora();
    const Vencimento vencimento = Vence(ultimo, agora);
    if (!vencimento.devido())
        return;
    if (vencimento.outroDia)
        informa(MsgF(QStringLiteral("REALIZA_UPDATE"), {agora.toString(QStringLiteral("dd/MM/yyyy"))}));
    if (vencimento.depoisDas1230)
        informa(MsgF(QStringLiteral("REALIZA_UPDATE_1230"),
                     {cdsProdDesen.textOf(QStringLiteral("NMPRODUTO")), ultimo.left(10), ultimo.mid(11, 5)}));
    Efetua_Update(cdsProdDesen.textOf(QStringLiteral("DSDIRBASEVER")), cdsProdDesen.textOf(QStringLiteral("DSDIRVSS")));
    controle.registra(codigo, estado, m_ctx.agora());
    controle.grava(caminho);
    m_ctx.confirmacao(true);
}

void AtualizacaoProduto::Atualiza_Arq_Prod_Merc(const QString &grupo)
{
    const QString caminho = CaminhoControle();
    cdsProdMercado.close();
    m_ctx.fluxo.server().load(cdsProdMercado, QStringLiteral("GetProdMercado"), {grupo});
    if (cdsProdMercado.isEmpty())
        return;
    cdsProdMercado.first();
    const QString codigo = cdsProdMercado.textOf(QStringLiteral("CDPRODUTO"));
    const bool lido = controle.carrega(caminho);
    if (!lido || !controle.localiza(codigo)) {
        primeiraAtualizacao(cdsProdMercado, lido);
        return;
    }
    const QDateTime estado = cdsProdMercado.fieldByName(QStringLiteral("DTATUPRODSUBVER")).asDateTime();
    if (!(estado > controle.registros().fieldByName(QStringLiteral("DTATUPRODSUBVER")).asDateTime()))
        return;
    informa(MsgF(QStringLiteral("REALIZA_UPDATE_PROD_MERCADO"), {cdsProdMercado.textOf(QStringLiteral("NMPRODUTO"))}));
    Efetua_Update(cdsProdMercado.textOf(QStringLiteral("DSDIRBASEVER")), cdsProdMercado.textOf(QStringLiteral("DSDIRVSS")));
    m_ctx.confirmacao(true);
    controle.registra(codigo, estado, m_ctx.agora());
    controle.grava(caminho);
}

void AtualizacaoProduto::Preenche_Diretorios_Atualiza(const QString &diretorios, const QString &repositorios)
{
    cdsDiretoriosGet.emptyDataSet();
    QString copias = diretorios.toLower();
    QString reps = repositorios.toLower();
    if (copias.isEmpty())
        qor::MensErro(Msg(QStringLiteral("Dir_Get_Cop_Trab")));
    if (reps.isEmpty())
        qor::MensErro(Msg(QStringLiteral("Dir_Get_Rep")));
    QString veredito;
    while (veredito.isEmpty()) {
        const QString dir = primeiro(copias);
        const QString rep = primeiro(reps);
        if (dir.isEmpty() && rep.isEmpty()) {
            veredito = QStringLiteral("Ok");
        } else if (!dir.isEmpty() && !rep.isEmpty()) {
            cdsDiretoriosGet.append();
            cdsDiretoriosGet.fieldByName(kRaizDir).setValue(dir.startsWith(QStringLiteral("c:")) ? dir
                                                                                                : QStringLiteral("c:") + dir);
            cdsDiretoriosGet.fieldByName(kRaizRep).setValue(rep);
            cdsDiretoriosGet.post();
            retira(copias, dir);
            retira(reps, rep);
        } else {
            veredito = dir.isEmpty() ? QStringLiteral("Erro_Cop_Trab") : QStringLiteral("Erro_Rep");
        }
    }
    if (veredito != u"Ok")
        qor::MensErro(Msg(veredito));
}

QStringList AtualizacaoProduto::pares(const QString &campo)
{
    QStringList out;
    for (cdsDiretoriosGet.first(); !cdsDiretoriosGet.eof(); cdsDiretoriosGet.next())
        out << cdsDiretoriosGet.textOf(campo);
    return out;
}

void AtualizacaoProduto::Efetua_Update(const QString &diretorios, const QString &repositorios)
{
    Preenche_Diretorios_Atualiza(diretorios, repositorios);
    const QStringList copias = pares(kRaizDir);
    const QStringList reps = pares(kRaizRep);
    if (copias.isEmpty())
        qor::MensErro(Msg(QStringLiteral("Dir_N_Exist")));
    const vcs::LogicalFs fs(m_ctx.paths);
    InfoCopia info(m_ctx.fluxo);
    for (int i = 0; i < copias.size(); ++i) {
        if (!fs.isDirectory(copias[i]))
            qor::MensErro(MsgF(QStringLiteral("Atu_canc_cop_n_existe"), {copias[i]}));
        if (!info.Verifica_Copia_Trabalho(copias[i], reps[i]))
            qor::MensErro(MsgF(QStringLiteral("Atu_canc_rep_erro"), {copias[i]}));
    }
    m_ctx.desabilitaBotoes();
    m_ctx.confirmacao(false);
    qor::BusyCursor cursor;
    int posicao = 0;
    m_ctx.barra(posicao);
    const int passo = int(std::lround(1000000.0 / copias.size()));
    struct Fim {
        ~Fim() { qor::DeactiveShowAvi(); }
    } fim;
    QStringList &renomeados = m_ctx.fluxo.listas().dirRenomeados;
    renomeados.clear();
    RenomeiaDiretorios renomeia(m_ctx);
    for (const QString &copia : copias) {
        if (m_ctx.fluxo.plataforma() == vcs::PlataformaProduto::ProdutoLumetra)
            renomeia.RenomeiaDirSemSVN_AntesGet(copia);
        qor::ActiveShowAvi(nullptr, 6, Msg(QStringLiteral("DADOS_SUBVERSION")));
        m_ctx.fluxo.svn().update(m_ctx.fluxo.on(Msg(QStringLiteral("ACAO_SUBVERSION_ATUALARQ")), m_ctx.progresso),
                                 copia.toLower());
        if (m_ctx.fluxo.plataforma() == vcs::PlataformaProduto::ProdutoLumetra && !renomeados.isEmpty())
            renomeia.RenomeiaDirSemSVN_DepoisGet();
        posicao += passo;
        m_ctx.barra(posicao);
    }
    renomeados.clear();
}

}
