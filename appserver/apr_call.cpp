// apr-call: calls one method of apr-server and prints its result.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTextStream>
#include <cstdio>

namespace {

const char *usage =
    "Usage: apr-call --server HOST:PORT [--timeout SECONDS] [--operator CODE [--password-file FILE]\n"
    "                [--branch CODE] [--company CODE]] [--ca-file FILE] METHOD [ARG...]\n"
    "Calls METHOD on apr-server with the positional arguments ARG, each a JSON value\n"
    "(\"text\", 12, null, {\"date\":\"2026-01-31T00:00:00\"}, [..], {..}); a word that is\n"
    "not valid JSON is sent as a string, so 0001 and abc are the strings \"0001\" and \"abc\"\n"
    "but 12 is the number 12 (write '\"12\"' for the string).\n"
    "Prints the result as indented JSON on stdout; a server error goes to stderr\n"
    "with exit code 1; a usage or connection failure exits with 2.\n"
    "With --operator it signs in first; the password is the first line of FILE, or of\n"
    "standard input without --password-file. --ca-file FILE speaks TLS and checks the\n"
    "server's certificate against the authorities in FILE.\n";

[[noreturn]] void fail(int code, const QString &message)
{
    std::fprintf(stderr, "apr-call: %s\n", qPrintable(message));
    std::exit(code);
}

// A bare word that does not parse as JSON is taken as a string.
QJsonValue argument(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson("[" + text.toUtf8() + "]", &error);
    if (error.error == QJsonParseError::NoError && doc.array().size() == 1)
        return doc.array().first();
    return text;
}

QByteArray pretty(const QJsonValue &value)
{
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Indented);
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Indented);
    QByteArray text = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return text.mid(1, text.size() - 2) + '\n';
}

// The first line of the file, or of standard input ("-" or empty).
QString readPassword(const QString &file)
{
    const bool fromStdin = file.isEmpty() || file == "-";
    const QString source = fromStdin ? QString("standard input") : file;
    QFile input(fromStdin ? QString() : file);
    const bool opened = fromStdin ? input.open(stdin, QIODevice::ReadOnly) : input.open(QIODevice::ReadOnly);
    if (!opened)
        fail(2, "cannot read the password from " + source);
    QByteArray line = input.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        fail(2, "no password in the first line of " + source);
    return QString::fromUtf8(line);
}

class Line {
public:
    Line(QSslSocket &socket, const QString &server, int timeout) : m_socket(socket), m_server(server), m_timeout(timeout) {}
    QJsonObject call(const QString &method, const QJsonArray &params)
    {
        const QJsonObject request{{"jsonrpc", "2.0"}, {"id", ++m_id}, {"method", method}, {"params", params}};
        m_socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        while (!m_buffer.contains('\n')) {
            if (!m_socket.waitForReadyRead(m_timeout * 1000))
                fail(2, "no answer from " + m_server + ": " + m_socket.errorString());
            m_buffer += m_socket.readAll();
        }
        const qsizetype end = m_buffer.indexOf('\n');
        const QByteArray reply = m_buffer.left(end);
        m_buffer.remove(0, end + 1);
        const QJsonObject answer = QJsonDocument::fromJson(reply).object();
        if (answer.isEmpty())
            fail(2, "malformed answer: " + QString::fromUtf8(reply));
        return answer;
    }
private:
    QSslSocket &m_socket;
    QString m_server;
    int m_timeout;
    QByteArray m_buffer;
    int m_id = 0;
};

int printError(const QJsonObject &answer)
{
    const QJsonObject error = answer.value("error").toObject();
    const QString detail = error.value("data").toObject().value("detail").toString();
    std::fprintf(stderr, "%s (%d)\n", qPrintable(error.value("message").toString()), error.value("code").toInt());
    if (!detail.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(detail));
    return 1;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList all = app.arguments().mid(1);
    QString server, operador, passwordFile, filial, empresa, caFile;
    int timeout = 300;
    int i = 0;
    for (; i < all.size(); ++i) {
        const QString &a = all[i];
        if (a == "--help" || a == "-h") {
            std::fputs(usage, stdout);
            return 0;
        } else if (a == "--server" && i + 1 < all.size()) {
            server = all[++i];
        } else if (a.startsWith("--server=")) {
            server = a.mid(9);
        } else if (a == "--operator" && i + 1 < all.size()) {
            operador = all[++i];
        } else if (a == "--password-file" && i + 1 < all.size()) {
            passwordFile = all[++i];
        } else if (a == "--branch" && i + 1 < all.size()) {
            filial = all[++i];
        } else if (a == "--company" && i + 1 < all.size()) {
            empresa = all[++i];
        } else if (a == "--ca-file" && i + 1 < all.size()) {
            caFile = all[++i];
        } else if (a == "--timeout" && i + 1 < all.size()) {
            timeout = all[++i].toInt();
        } else if (a == "--") {
            ++i;
            break;
        } else {
            break;
        }
    }
    if (server.isEmpty() || i >= all.size() || timeout <= 0) {
        std::fputs(usage, stderr);
        return 2;
    }
    const QString method = all[i++];
    QJsonArray params;
    for (; i < all.size(); ++i)
        params.append(argument(all[i]));

    const qsizetype colon = server.lastIndexOf(':');
    bool portOk = false;
    const uint port = colon > 0 ? server.mid(colon + 1).toUInt(&portOk) : 0;
    if (!portOk || port == 0 || port > 65535)
        fail(2, "--server expects HOST:PORT, got " + server);
    QString host = server.left(colon);
    if (host.startsWith('['))
        host = host.mid(1, host.size() - 2);

    const QString password = operador.isEmpty() ? QString() : readPassword(passwordFile);
    QSslSocket socket;
    if (caFile.isEmpty()) {
        socket.connectToHost(host, quint16(port));
    } else {
        const QList<QSslCertificate> authorities = QSslCertificate::fromPath(caFile);
        if (authorities.isEmpty())
            fail(2, "no certificate in " + caFile);
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(authorities);
        socket.setSslConfiguration(tls);
        socket.connectToHostEncrypted(host, quint16(port));
    }
    if (!socket.waitForConnected(10000) || (!caFile.isEmpty() && !socket.waitForEncrypted(10000)))
        fail(2, "cannot connect to " + server + ": " + socket.errorString());
    Line line(socket, server, timeout);
    if (!operador.isEmpty()) {
        const QJsonObject signedIn = line.call("SignIn", {operador, password, filial, empresa});
        if (signedIn.contains("error"))
            return printError(signedIn);
    }
    const QJsonObject answer = line.call(method, params);
    if (answer.contains("error"))
        return printError(answer);
    if (!answer.contains("result"))
        fail(2, "malformed answer: no result");
    QJsonValue shown = answer.value("result");
    if (answer.contains("byref"))
        shown = QJsonObject{{"result", shown}, {"byref", answer.value("byref")}};
    const QByteArray out = pretty(shown);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}
