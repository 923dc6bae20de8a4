#pragma once
#include "host/messages.h"
#include <QString>
#include <QStringList>

namespace scripts {

// The script unit's variables: one set while the module is loaded.
struct ScriptVars {
    QString stCdFilial;
    QString stNrSoliServ;
    QString stCdProdGrup;
    QString stCdProcesso;
    bool boStCriado = false;          // the dialog exists
    bool boFechar_Sem_Salvar = false; // a cancel in data-modelling mode skips the script check from then on
    bool boArquivoMarcado = false;    // the outcome read by the conclusion of the activity
};
ScriptVars &Scripts();

const qor::TMessages &ScriptTexts();

// The processes whose patch files are data-modelling scripts.
bool ModoModelagem(const QString &processo);

// The directory of the data-modelling scripts under a product's base
// directory, or under the first of a ";" list that names "SQL".
QString DiretorioModelagem(const QString &dsDirBaseVer);

// Ctrl+A's masks, in the order they are collected.
const QStringList &MascarasColeta();
inline constexpr const char *MascaraLista = "Pkg_*.dpk;_???.dpk;????????.dpr;*.sql;*.qr2;??????.cds;???_??????.cds";

}
