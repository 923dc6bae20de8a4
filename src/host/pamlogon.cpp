// The network account check of SSPLogonUser: the machine's PAM stack.
#include "host/services.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <security/pam_appl.h>
#include <unistd.h>

namespace qor {

namespace {

struct Credentials {
    QByteArray user;
    QByteArray password;
};

// Answers PAM's prompts: the password where the input is hidden, the user name
// where it is shown; messages need no answer.
int converse(int count, const struct pam_message **messages, struct pam_response **responses, void *data)
{
    auto *credentials = static_cast<Credentials *>(data);
    auto *answers = static_cast<pam_response *>(calloc(size_t(count), sizeof(pam_response)));
    if (!answers) return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const char *answer = nullptr;
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF) answer = credentials->password.constData();
        else if (messages[i]->msg_style == PAM_PROMPT_ECHO_ON) answer = credentials->user.constData();
        if (answer) answers[i].resp = strdup(answer);
    }
    *responses = answers;
    return PAM_SUCCESS;
}

QString settingsHome()
{
    QString home = qEnvironmentVariable("APR_HOME");
    if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.apr");
    return home;
}

// The DNS domain of this machine: resolv.conf's "domain" (or first "search"
// entry), else what follows the host name in its canonical name.
QString dnsDomain()
{
    QFile resolv(QStringLiteral("/etc/resolv.conf"));
    if (resolv.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QString search;
        for (const QString &line : QString::fromLocal8Bit(resolv.readAll()).split(u'\n')) {
            const QStringList words = line.simplified().split(u' ', Qt::SkipEmptyParts);
            if (words.size() < 2) continue;
            if (words[0] == QLatin1String("domain")) return words[1];
            if (words[0] == QLatin1String("search") && search.isEmpty()) search = words[1];
        }
        if (!search.isEmpty()) return search;
    }
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) return {};
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    addrinfo *info = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &info) != 0 || !info) return {};
    const QString canonical = QString::fromLatin1(info->ai_canonname ? info->ai_canonname : "");
    freeaddrinfo(info);
    const qsizetype dot = canonical.indexOf(u'.');
    return dot > 0 ? canonical.mid(dot + 1) : QString();
}

}

QString DomainShortName()
{
    QSettings machine(settingsHome() + QStringLiteral("/settings/machine/registry.ini"), QSettings::IniFormat);
    const QString configured = machine.value(QStringLiteral("rede/DominioCurto")).toString().trimmed();
    if (!configured.isEmpty()) return configured.toUpper();
    const QString domain = dnsDomain().trimmed();
    return domain.section(u'.', 0, 0).toUpper();
}

QString PamService()
{
    const QString service = qEnvironmentVariable("APR_PAM_SERVICE");
    return service.isEmpty() ? QStringLiteral("apr-logon") : service;
}

bool PamLogonUser(const QString &user, const QString &password)
{
    if (user.trimmed().isEmpty() || password.isEmpty()) return false;
    Credentials credentials{user.trimmed().toUtf8(), password.toUtf8()};
    const pam_conv conversation{converse, &credentials};
    pam_handle_t *handle = nullptr;
    const QByteArray service = PamService().toUtf8();
    const QByteArray confDir = qgetenv("APR_PAM_CONFDIR");
    int status = confDir.isEmpty()
                     ? pam_start(service.constData(), credentials.user.constData(), &conversation, &handle)
                     : pam_start_confdir(service.constData(), credentials.user.constData(), &conversation,
                                         confDir.constData(), &handle);
    if (status == PAM_SUCCESS) status = pam_authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    if (status == PAM_SUCCESS) status = pam_acct_mgmt(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    if (handle) pam_end(handle, status);
    // The password leaves no copy of ours behind.
    credentials.password.fill('\0');
    return status == PAM_SUCCESS;
}

bool SystemLogonUser(const QString &domain, const QString &user, const QString &password)
{
    const QString ours = DomainShortName();
    if (ours.isEmpty() || domain.trimmed().compare(ours, Qt::CaseInsensitive) != 0) return false;
    return PamLogonUser(user, password);
}

}
