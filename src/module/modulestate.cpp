#include "module/modulestate.h"

namespace apr {

void ModuleState::limpaTextos()
{
    for (QString *text : {&stProdTrabIni, &stProdTrabFin, &stReleaseMetaDados, &stDirVss, &stDiretorio,
                          &stDirRepSubVer, &stDirCopiaTrab, &stDirNovo, &stDirArq, &stDirArq22,
                          &stDirAux01, &stIdAutoTeste})
        text->clear();
}

ModuleState &Modulo()
{
    static ModuleState state;
    return state;
}

}
