#include "host/services.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

namespace qor {

namespace {

LogonChecker &checker()
{
    static LogonChecker c;
    return c;
}

QByteArray digestHex(const QString &salt, const QString &password)
{
    return QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256).toHex();
}

// Compares without stopping at the first difference.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (int i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a.at(i) ^ b.at(i));
    return diff == 0;
}

bool checkPasswdFile(const QString &domain, const QString &user, const QString &password)
{
    if (user.trimmed().isEmpty() || password.isEmpty()) return false;
    QFile file(DomainPasswdPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
    const QString account = domain.trimmed() + '\\' + user.trimmed();
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        const int colon = line.lastIndexOf(':');
        if (colon <= 0 || line.left(colon).compare(account, Qt::CaseInsensitive) != 0) continue;
        const QString hash = line.mid(colon + 1);
        const int dollar = hash.indexOf('$');
        if (dollar < 0) continue;
        return sameBytes(digestHex(hash.left(dollar), password), hash.mid(dollar + 1).toLower().toLatin1());
    }
    return false;
}

} // namespace

QString DomainPasswdPath()
{
    QString home = qEnvironmentVariable("APR_HOME");
    if (home.isEmpty()) home = QDir::homePath() + "/.apr";
    return home + "/domain/passwd";
}

QString DomainAccountLine(const QString &domain, const QString &user, const QString &password, const QString &salt)
{
    QString s = salt;
    if (s.isEmpty()) {
        static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        for (int i = 0; i < 16; ++i)
            s += QChar(alphabet[QRandomGenerator::system()->bounded(int(sizeof alphabet - 1))]);
    }
    return domain + '\\' + user + ':' + s + '$' + QString::fromLatin1(digestHex(s, password));
}

void SetLogonChecker(LogonChecker c) { checker() = std::move(c); }

bool DomainFileLogonUser(const QString &domain, const QString &user, const QString &password)
{
    return checkPasswdFile(domain, user, password);
}

bool SSPLogonUser(const QString &domain, const QString &user, const QString &password)
{
    return checker() ? checker()(domain, user, password) : SystemLogonUser(domain, user, password);
}

}
