#include "checkoutsupport.h"
#include <QUrl>

namespace chktest {

bool AddOtherUser()
{
    static const bool added = [] {
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(DAVSERVER, {"start", wctest::DavServer::instance().base.path() + "/dav",
                               QString::number(QUrl(wctest::DavServer::instance().url).port()), "-"});
        tool.write((wctest::kUser + ":" + wctest::kPass + "\n" + kOutro + ":" + kSenhaOutro + "\n").toUtf8());
        tool.closeWriteChannel();
        tool.waitForFinished(60000);
        return tool.exitCode() == 0;
    }();
    return added;
}

QString AbortOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const qor::EAbort &abort) {
        return abort.isSilent() ? QStringLiteral("<silent>") : abort.message();
    }
    return {};
}

Janela::Janela(Bench &b, workflow::WorkflowContext *fluxo)
    : bench(b), ctx{fluxo ? *fluxo : b.fluxo, stDirArqSV, escolhida, cdsOperDesenv, cdsParamVersao}
{
    ctx.progresso = b.sink;
    ctx.paths = b.paths;
    ctx.barra = [this](int p) { barra << p; };
    ctx.confirmacao = [this](bool on) { confirmacao = on; };
    ctx.desabilitaBotoes = [this] { ++desabilitou; };
    ctx.agora = [] { return QDateTime(QDate(2026, 3, 10), QTime(9, 30, 15)); };
    cdsOperDesenv.setData(Packet({"NMLOGIN", "CDGRUPOPER"}, {{"w", "30"}}));
    hooks.filial = [] { return QStringLiteral("0001"); };
    hooks.operador = [this] { return operador; };
    hooks.mostraAnimacao = [this](const QString &t) { animacoes << t; };
    hooks.fechaAnimacao = [this] { animacoes << "<fim>"; };
    hooks.painelVisivel = [this] { return painel; };
    hooks.reabilitaGrade = [this] { ++grade; };
    hooks.raizBackup = [] { return QStringLiteral("h:\\workdir\\"); };
    hooks.selecao = [this](workflow::WorkflowContext &f, workflow::PlataformaProduto, const workflow::SelecaoCheckout &v,
                           bool &ok) {
        selecoes.push_back(v);
        if (confirma)
            f.listas().arqCheckout = escolha;
        ok = confirma;
    };
}

workflow::PedidoCheckout Janela::pedido(const QString &processo) const
{
    return {"P401", processo, "0001", kRequest, kTask, kActivity, "0000000100", repositorio, base};
}

void RespostasPadrao(wctest::FakeServer &server)
{
    server.answers["GetProdSubv"] = Packet({"IDPRODCONTRSUBV"}, {{"S"}});
    server.answers["GetVdsolitemtrab"] = Packet({"NRSOLISERV", "NRTAREFA", "NRPLATIVTARE", "STATUSATIV"}, {});
    server.answers["GetVdRelacItTrabProd"] = Packet({"CDPRODUTO", "CDITEMTRAB", "IDSITCHECKOUT", "CDOPCHECKOUT"}, {});
    server.answers["Getativpen"] = Packet({"IDALTSTATUSPEND"}, {{"N"}});
    server.answers["GetVdArqCheckout"] = Packet({"ARQUIVO"}, {});
    server.answers["GetProdMercado"] = Packet({"CDPRODUTO", "NMPRODUTO", "DSDIRBASEVER", "DSDIRVSS", "DTATUPRODSUBVER"}, {});
    server.answers["GetItemTarefa"] = Packet({"CDITEMTRAB", "NMITEMTRAB", "CDREDUITTRAB", "CDTIPOITTRAB"},
                                             {{"0000000100", "CADASTRO DE CLIENTES", "CADCLI", "03"}});
    server.answers["GetDirItemTrab"] = Packet({"DSDIRARQFONTIT"}, {{"\\Fontes\\Cad"}});
    server.answers["GetArqCheck"] = Packet({"CDFILIAL", "NRTAREFA", "NRPLATIVTARE", "CODIGO", "ARQUIVO"}, {});
}

}
