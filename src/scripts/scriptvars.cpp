#include "scripts/scriptvars.h"
#include "plan/processos.h"

static void initScriptTexts()
{
    Q_INIT_RESOURCE(scripts);
}

namespace scripts {

ScriptVars &Scripts()
{
    static ScriptVars vars;
    return vars;
}

const qor::TMessages &ScriptTexts()
{
    static const qor::TMessages texts = [] {
        initScriptTexts();
        return qor::TMessages(QStringLiteral(":/scripts/scripts.msg"));
    }();
    return texts;
}

bool ModoModelagem(const QString &processo)
{
    return plan::processos::Script(processo);
}

QString DiretorioModelagem(const QString &dsDirBaseVer)
{
    if (!dsDirBaseVer.contains(u';'))
        return dsDirBaseVer + (dsDirBaseVer.endsWith(u'\\') ? "sql\\atualiza_bd" : "\\sql\\atualiza_bd");
    for (const QString &dir : dsDirBaseVer.split(u';'))
        if (dir.toUpper().contains(QLatin1String("SQL")))
            return dir + "\\atualiza_bd";
    return {};
}

const QStringList &MascarasColeta()
{
    static const QStringList masks = {"Pkg_*.dpk", "_???.dpk",  "???_.dpr",    "???.dpr", "????????.dpr",
                                      "????_*.sql", "???.cds", "???_???.cds", "*.qr2"};
    return masks;
}

}
