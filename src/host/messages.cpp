#include "host/messages.h"

#include <QFile>
#include <QTextStream>

namespace qor {

void TMessages::loadResource(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("TMessages: message list %s cannot be read", qPrintable(resourcePath));
        return;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QStringList lines;
    while (!in.atEnd()) lines << in.readLine();
    addLines(lines);
}

void TMessages::add(const QString &key, const QString &text)
{
    const QString k = key.trimmed();
    if (k.isEmpty()) return;
    m_texts[k.toUpper()].append(text);
    m_items.append(k + '|' + text);
}

void TMessages::addLines(const QStringList &lines)
{
    for (const QString &raw : lines) {
        const QString line = raw.endsWith('\r') ? raw.chopped(1) : raw;
        if (line.trimmed().isEmpty() || line.trimmed().startsWith('#')) continue;
        const int bar = line.indexOf('|');
        if (bar < 0) {
            qWarning("TMessages: line without \"|\" ignored: %s", qPrintable(line));
            continue;
        }
        add(line.left(bar), QString(line.mid(bar + 1)).replace(QLatin1String("\\n"), QLatin1String("\n")));
    }
}

QString TMessages::Msg(const QString &key) const
{
    auto it = m_texts.constFind(key.trimmed().toUpper());
    if (it != m_texts.constEnd() && !it->isEmpty()) return it->first();
    if (this != &host()) return host().Msg(key);
    return key;
}

QStringList TMessages::texts(const QString &key) const { return m_texts.value(key.trimmed().toUpper()); }

bool TMessages::contains(const QString &key) const { return m_texts.contains(key.trimmed().toUpper()); }

bool TMessages::foundIn(const QString &key, const QString &text) const
{
    const QStringList alternatives = contains(key) || this == &host() ? texts(key) : host().texts(key);
    for (const QString &a : alternatives)
        if (!a.isEmpty() && text.contains(a)) return true;
    return false;
}

QStringList TMessages::Items() const { return m_items; }

TMessages &TMessages::host()
{
    static TMessages catalogue(QStringLiteral(":/qor/host.msg"));
    return catalogue;
}

}
