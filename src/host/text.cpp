#include "host/services.h"

namespace qor {

bool EmptyString(const QString &text) { return text.trimmed().isEmpty(); }

static bool digitsOnly(const QString &text)
{
    for (QChar c : text)
        if (c < '0' || c > '9') return false;
    return !text.isEmpty();
}

QString Ajusta(const QString &code, int width)
{
    const QString text = code.trimmed();
    if (text.isEmpty() || width <= 0) return {};
    if (text.size() >= width) return text.right(width);
    return text.rightJustified(width, digitsOnly(text) ? QChar('0') : QChar(' '));
}

QString AllTrim(const QString &text) { return text.trimmed(); }

QString Replicate(const QString &text, int count) { return count > 0 ? text.repeated(count) : QString(); }

}
