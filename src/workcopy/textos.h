#pragma once
#include <QString>
#include <QStringList>

namespace workcopy {

// A text of the main window's catalogue.
QString Msg(const QString &key);
// The catalogue's "%s" placeholders filled in order; an argument is never read
// as a placeholder itself.
QString Formata(const QString &text, const QStringList &args);
inline QString MsgF(const QString &key, const QStringList &args) { return Formata(Msg(key), args); }

}
