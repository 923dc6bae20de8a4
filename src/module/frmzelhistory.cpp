// "Show Log / Diff": the log viewer with the main window's account and platform.
#include "history/frmshowhistory.h"
#include "module/frmzel.h"
#include "module/plataforma.h"
#include "module/registro.h"

namespace apr {

void TfrmZEL::sbtShowHistoryClick()
{
    history::HistoryContext contexto;
    contexto.usuario = stUsuarioSvn;
    contexto.senha = stSenhaSvn;
    const Plataforma *plataforma = PlataformaPorCaption(Retorna_Plat_Select());
    contexto.plataforma = plataforma ? plataforma->numero : 3;
    contexto.server = &m_servidor;
    const QString ferramenta = Registro::maquina()->value(QStringLiteral("historico/FerramentaDiff")).toString().trimmed();
    if (!ferramenta.isEmpty()) contexto.ferramentaDiff = ferramenta;
    history::CriaShowHistory(contexto, this);
}

}
