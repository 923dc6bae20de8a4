#include "workcopy/textos.h"
#include "vcs/recognition.h"

namespace workcopy {

QString Msg(const QString &key)
{
    return vcs::Recognition::mainWindow().text(key);
}

QString Formata(const QString &text, const QStringList &args)
{
    QString out;
    qsizetype from = 0;
    for (const QString &arg : args) {
        const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
        if (at < 0)
            break;
        out += text.mid(from, at - from) + arg;
        from = at + 2;
    }
    return out + text.mid(from);
}

}
