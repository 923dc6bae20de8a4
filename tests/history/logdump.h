#pragma once
// Writes a repository dump for `svnadmin load`: a history of any length
// built in a moment, with the revision properties chosen freely (a revision
// without a message or an author cannot be made through a commit).
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace logdump {

class Dump {
public:
    Dump()
    {
        m_data = "SVN-fs-dump-format-version: 2\n\nUUID: 3d4f2a1e-0000-4000-8000-000000000001\n\n";
        revisionHeader(0, {}, {}, QStringLiteral("2000-01-01T00:00:00.000000Z"));
    }
    // Starts revision n (1, 2, ... in order); an empty optional leaves the property out.
    Dump &revision(std::optional<QString> author, std::optional<QString> message, const QString &svnDate)
    {
        revisionHeader(++m_revision, author, message, svnDate);
        return *this;
    }
    Dump &addDir(const QString &path) { return node(path, "dir", "add", nullptr); }
    Dump &addFile(const QString &path, const QByteArray &text) { return node(path, "file", "add", &text); }
    Dump &changeFile(const QString &path, const QByteArray &text) { return node(path, "file", "change", &text); }
    Dump &copyDir(const QString &path, int fromRevision, const QString &fromPath)
    {
        m_data += "Node-path: " + path.toUtf8() + "\nNode-kind: dir\nNode-action: add\nNode-copyfrom-rev: "
                  + QByteArray::number(fromRevision) + "\nNode-copyfrom-path: " + fromPath.toUtf8() + "\n\n\n";
        return *this;
    }
    int lastRevision() const { return m_revision; }
    const QByteArray &data() const { return m_data; }

    // The date form of svn:date.
    static QString svnDate(const QDateTime &utc)
    {
        return utc.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz000Z"));
    }

private:
    static QByteArray prop(const char *name, const QString &value)
    {
        const QByteArray v = value.toUtf8();
        return "K " + QByteArray::number(qstrlen(name)) + "\n" + name + "\nV " + QByteArray::number(v.size()) + "\n"
               + v + "\n";
    }
    void revisionHeader(int n, const std::optional<QString> &author, const std::optional<QString> &message,
                        const QString &date)
    {
        QByteArray props;
        if (message) props += prop("svn:log", *message);
        if (author) props += prop("svn:author", *author);
        props += prop("svn:date", date);
        props += "PROPS-END\n";
        const QByteArray size = QByteArray::number(props.size());
        m_data += "Revision-number: " + QByteArray::number(n) + "\nProp-content-length: " + size
                  + "\nContent-length: " + size + "\n\n" + props + "\n";
    }
    Dump &node(const QString &path, const char *kind, const char *action, const QByteArray *text)
    {
        m_data += "Node-path: " + path.toUtf8() + "\nNode-kind: " + kind + "\nNode-action: " + action + "\n";
        const QByteArray props = QByteArrayLiteral("PROPS-END\n");
        const bool adds = qstrcmp(action, "add") == 0;
        qsizetype total = 0;
        if (adds) {
            m_data += "Prop-content-length: " + QByteArray::number(props.size()) + "\n";
            total += props.size();
        }
        if (text) {
            m_data += "Text-content-length: " + QByteArray::number(text->size()) + "\n";
            total += text->size();
        }
        m_data += "Content-length: " + QByteArray::number(total) + "\n\n";
        if (adds) m_data += props;
        if (text) m_data += *text;
        m_data += "\n\n";
        return *this;
    }

    QByteArray m_data;
    int m_revision = 0;
};

}
