// apr-call: calls one method of apr-server and prints its result.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <cstdio>

namespace {

const char *usage =
    "Usage: apr-call --server HOST:PORT [--timeout SECONDS] METHOD [ARG...]\n"
    "Calls METHOD on apr-server with the positional arguments ARG, each a JSON value\n"
    "(\"text\", 12, null, {\"date\":\"2026-01-31T00:00:00\"}, [..], {..}); a word that is\n"
    "not valid JSON is sent as a string, so 0001 and abc are the strings \"0001\" and \"abc\"\n"
    "but 12 is the number 12 (write '\"12\"' for the string).\n"
    "Prints the result as indented JSON on stdout; a server error goes to stderr\n"
    "with exit code 1; a usage or connection failure exits with 2.\n";

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

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList all = app.arguments().mid(1);
    QString server;
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

    QTcpSocket socket;
    socket.connectToHost(host, quint16(port));
    if (!socket.waitForConnected(10000))
        fail(2, "cannot connect to " + server + ": " + socket.errorString());
    const QJsonObject request{{"jsonrpc", "2.0"}, {"id", 1}, {"method", method}, {"params", params}};
    socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (!socket.waitForReadyRead(timeout * 1000))
            fail(2, "no answer from " + server + ": " + socket.errorString());
        reply += socket.readAll();
    }
    reply.truncate(reply.indexOf('\n'));
    const QJsonObject answer = QJsonDocument::fromJson(reply).object();
    if (answer.contains("error")) {
        const QJsonObject error = answer.value("error").toObject();
        const QString detail = error.value("data").toObject().value("detail").toString();
        std::fprintf(stderr, "%s (%d)\n", qPrintable(error.value("message").toString()),
                     error.value("code").toInt());
        if (!detail.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(detail));
        return 1;
    }
    if (!answer.contains("result"))
        fail(2, "malformed answer: " + QString::fromUtf8(reply));
    QJsonValue shown = answer.value("result");
    if (answer.contains("byref"))
        shown = QJsonObject{{"result", shown}, {"byref", answer.value("byref")}};
    const QByteArray out = pretty(shown);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return 0;
}
