#pragma once
#include <QHash>
#include <QString>
#include <QStringList>

namespace qor {

// A window's message list: "key|text" entries. Keys missing from the list are
// resolved by the host catalogue. Lookup ignores case ("Qualif_Inf" finds
// "QUALIF_INF"): the keys are identifiers, never texts to compare.
class TMessages {
public:
    TMessages() = default;
    explicit TMessages(const QString &resourcePath) { loadResource(resourcePath); }

    // Lines "key|text"; blank lines and lines starting with "#" are ignored;
    // "\n" in a text stands for a line break. A key may repeat: its texts are
    // alternatives (see texts()); Msg returns the first.
    void loadResource(const QString &resourcePath);
    void add(const QString &key, const QString &text);
    void addLines(const QStringList &lines);

    QString Msg(const QString &key) const;           // first text, host fallback, else the key itself
    QStringList texts(const QString &key) const;     // every alternative of the key (no host fallback)
    bool contains(const QString &key) const;
    // True when any alternative of key occurs in text (case-sensitive substring).
    bool foundIn(const QString &key, const QString &text) const;

    QStringList Items() const;                       // "key|text" lines, in load order

    static TMessages &host();                        // the host catalogue

private:
    QHash<QString, QStringList> m_texts;             // upper-case key -> alternatives
    QStringList m_items;
};

}
