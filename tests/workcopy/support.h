#pragma once
// What the working-copy tests share: a repository over HTTP for the whole run
// and a fixture with the main runner, the workflow context and a C: drive.
#include "testsupport/realcomponent.h"
#include "host/dialogs.h"
#include "host/services.h"
#include "module/modulestate.h"
#include "server/remote.h"
#include "vcs/classifier.h"
#include "vcs/pathmap.h"
#include "vcs/runners.h"
#include "workflow/workflowcontext.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList &list, std::ostream *out) { *out << '[' << list.join("|").toStdString() << ']'; }
QT_END_NAMESPACE

namespace wctest {

inline const QString kUser = "svn_w";
inline const QString kPass = "Pw55-copia";

// Apache with mod_dav_svn serving a repository of its own: the run's, started
// once when a test first asks for it, or one a test starts for itself.
class DavServer {
public:
    static DavServer &instance();
    ~DavServer();
    bool start(int port);   // false with the reason in why
    bool ok() const { return !url.isEmpty(); }
    QTemporaryDir base;
    QString url;
    QString why;
};

// A scripted application server: answers per method, records the calls.
class FakeServer : public server::RemoteServer {
public:
    struct Call { QString method; QJsonArray args; };
    void acquire() override { ++uses; }
    void release() override { --uses; }
    qor::RemoteResult callRaw(const QString &method, const QJsonArray &args) override;
    int count(const QString &method) const;
    QHash<QString, QJsonValue> answers;
    std::vector<Call> calls;
    int uses = 0;
};

// A data packet with text fields (and DTATUPRODSUBVER as a date when present).
QJsonObject Packet(const QStringList &fields, const QList<QVariantList> &rows);

// The C: drive of a test, the main runner in one language, the workflow context.
class Bench : public vcs::ClassifierContext {
public:
    explicit Bench(const QString &lang = "C");
    ~Bench() override;
    QString svnUser() const override { return usuario; }
    QString svnPassword() const override { return senha; }
    server::RemoteServer &server() override { return remote; }
    void enableConfirm() override { ++confirmacoes; }

    QString host(const QString &logical) const { return paths.toHost(logical); }
    void write(const QString &logical, const QByteArray &text) const;
    // The client run directly for the set-up of a case; its output.
    QString svn(QStringList args) const;
    QString repo(const QString &rel) const;   // URL under the test's own area

    QTemporaryDir drive;
    QString area;
    vcs::PathMap paths;
    QProcessEnvironment environment;
    QString usuario = kUser, senha = kPass;
    FakeServer remote;
    apr::ModuleState modulo;
    QStringList arqCheckout, arqCheckin, dirReverte, dirAdiciona, dirRenomeados;
    vcs::SvnClient svnClient{usuario, senha};
    workflow::WorkflowContext fluxo;
    vcs::Classifier classifier{*this};
    QStringList stlSaidaSvn;
    QStringList progresso;
    vcs::LineSink sink = [this](const QStringList &lines) { progresso << lines; };
    std::unique_ptr<vcs::MainRunner> runner;
    int confirmacoes = 0;
    qor::ScopedScriptedDialogs dialogs;
};

inline QString ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}
