#pragma once
#include "host/recordset.h"
#include "plan/filtroativi.h"
#include <QPointer>
#include <QString>

namespace apr {

class TfrmZEL;

// The module's variables: one set per loaded module.
struct ModuleState {
    QPointer<TfrmZEL> frmZEL;
    bool boStCriado = false;         // the main window exists
    bool boPrimeiraVez = true;       // its first activation is still to come
    bool boOperaSubversion = false;  // a check-out or check-in workflow is running
    bool boCheckOut = false;
    bool boJustificou = false;
    bool boAcordo = false;

    QString stProdTrabIni;
    QString stProdTrabFin;
    QString stReleaseMetaDados;
    QString stDirVss;
    QString stDiretorio;
    QString stDirRepSubVer;
    QString stDirCopiaTrab;
    QString stDirNovo;
    QString stDirArq;
    QString stDirArq22;
    QString stDirAux01;
    QString stIdAutoTeste;

    qor::RecordSet::Bookmark bkPosicao = -1;

    // The activity filter: created once, kept (hidden) across main windows.
    plan::FilterDialogHolder filtro;

    // What unloading the module empties: the twelve text variables.
    void limpaTextos();
};

ModuleState &Modulo();

}
