#include "support.h"
#include <QJsonArray>
#include <QUuid>
#include <unistd.h>

namespace wctest {

DavServer &DavServer::instance()
{
    static DavServer server;
    if (server.url.isEmpty() && server.why.isEmpty())
        server.start(40000 + int(getpid() % 20000));
    return server;
}

bool DavServer::start(int port)
{
    QFile::setPermissions(base.path(), QFile::permissions(base.path()) | QFile::ReadOther | QFile::ExeOther
                                           | QFile::ReadGroup | QFile::ExeGroup);
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(DAVSERVER, {"start", base.path() + "/dav", QString::number(port), "-"});
    tool.write((kUser + ":" + kPass + "\n").toUtf8());
    tool.closeWriteChannel();
    tool.waitForFinished(60000);
    const QString out = QString::fromUtf8(tool.readAll()).trimmed();
    if (tool.exitCode() == 0)
        url = out.split('\n').last();
    else
        why = out.isEmpty() ? QStringLiteral("davserver did not start") : out;
    return ok();
}

DavServer::~DavServer()
{
    if (!url.isEmpty())
        QProcess::execute(DAVSERVER, {"stop", base.path() + "/dav"});
}

qor::RemoteResult FakeServer::callRaw(const QString &method, const QJsonArray &args)
{
    calls.push_back({method, args});
    qor::RemoteResult result;
    result.value = answers.value(method);
    return result;
}

int FakeServer::count(const QString &method) const
{
    int n = 0;
    for (const Call &c : calls)
        n += c.method == method;
    return n;
}

QJsonObject Packet(const QStringList &fields, const QList<QVariantList> &rows)
{
    QJsonArray defs;
    for (const QString &f : fields)
        defs.append(QJsonObject{{"name", f}, {"type", f.startsWith("DT") && f != "DTULTIMOUPDATE" ? "datetime" : "string"},
                                {"size", 250}});
    QJsonArray data;
    for (const QVariantList &row : rows) {
        QJsonArray cells;
        for (const QVariant &v : row)
            cells.append(QJsonValue::fromVariant(v));
        data.append(cells);
    }
    return QJsonObject{{"fields", defs}, {"rows", data}};
}

Bench::Bench(const QString &lang)
    : fluxo(modulo, remote, svnClient,
            workflow::FileLists{arqCheckout, arqCheckin, dirReverte, dirAdiciona, dirRenomeados})
{
    qor::Session session;
    session.filial = "0001";
    session.operador = "000000000001";
    qor::SetSession(session);
    area = QUuid::createUuid().toString(QUuid::Id128).left(12);
    paths.setRoot('c', drive.path() + "/c");
    paths.setRoot('h', drive.path() + "/h");
    QDir().mkpath(drive.path() + "/c");
    QDir().mkpath(drive.path() + "/h");
    qputenv("APR_DRIVE_C", (drive.path() + "/c").toLocal8Bit());
    qputenv("APR_DRIVE_H", (drive.path() + "/h").toLocal8Bit());
    environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LANG", lang);
    environment.insert("LC_ALL", lang);
    environment.remove("LANGUAGE");
    runner = std::make_unique<vcs::MainRunner>(remote, [this] { ++confirmacoes; }, stlSaidaSvn, paths);
    runner->runner().setEnvironment(environment);
    runner->setClassifier(&classifier, sink);
    fluxo.setRunner(runner.get());
}

Bench::~Bench()
{
    fluxo.setRunner(nullptr);
}

void Bench::write(const QString &logical, const QByteArray &text) const
{
    const QString path = host(logical);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
}

QString Bench::svn(QStringList args) const
{
    QProcess svn;
    svn.setProcessEnvironment(vcs::WithUtf8Characters(environment));
    svn.setProcessChannelMode(QProcess::MergedChannels);
    args << "--non-interactive" << "--no-auth-cache" << "--username" << kUser << "--password-from-stdin";
    svn.start("svn", args);
    svn.waitForStarted();
    svn.write((kPass + "\n").toUtf8());
    svn.closeWriteChannel();
    svn.waitForFinished(120000);
    return QString::fromUtf8(svn.readAll());
}

QString Bench::repo(const QString &rel) const
{
    return DavServer::instance().url + "/" + area + (rel.isEmpty() ? QString() : "/" + rel);
}

}
