#pragma once
// Helpers shared by the tests of the version-control layer.
#include "server/remote.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QStringList>
#include <QTemporaryDir>
#include <ostream>
#include <vector>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *out) { *out << '[' << list.join("|").toStdString() << ']'; }
QT_END_NAMESPACE

namespace vcstest {

// A RemoteServer that records what the module asks of it.
class RecordingServer : public server::RemoteServer {
public:
    struct Call { QString method; QJsonArray args; };
    void acquire() override { ++uses; ++acquired; }
    void release() override { --uses; }
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) override
    {
        calls.push_back({method, args});
        return {};
    }
    int count(const QString &method) const
    {
        int n = 0;
        for (const Call &c : calls) n += c.method == method;
        return n;
    }
    int uses = 0;
    int acquired = 0;
    std::vector<Call> calls;
};

// Writes an executable shell script into dir.
inline QString WriteScript(const QString &dir, const QString &name, const QString &body)
{
    const QString path = dir + u'/' + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
    return path;
}

// Puts dir first on the search path for the life of the object.
class PathFirst {
public:
    explicit PathFirst(const QString &dir) : m_old(qgetenv("PATH"))
    {
        qputenv("PATH", (dir + u':').toLocal8Bit() + m_old);
    }
    ~PathFirst() { qputenv("PATH", m_old); }
private:
    QByteArray m_old;
};

inline QString ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}
