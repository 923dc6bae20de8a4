#include "host/services.h"
#include "host/dialogs.h"
#include "host/messages.h"

#include <QCoreApplication>
#include <cstdio>
#include <stdexcept>

namespace qor {

// ---- Session ---------------------------------------------------------------------

namespace {

Session &sessionStore()
{
    static Session session;
    return session;
}

ExceptionHandler &exceptionHandler()
{
    static ExceptionHandler handler;
    return handler;
}

DialogRequest::Kind kindOf(int kind)
{
    switch (kind) {
    case 0: return DialogRequest::Error;
    case 1: return DialogRequest::Warning;
    case 3: return DialogRequest::Confirmation;
    default: return DialogRequest::Information;
    }
}

void defaultExceptionHandler(const std::exception &e)
{
    DeactiveShowAvi();
    ShowException(e);
}

} // namespace

void SetSession(const Session &session) { sessionStore() = session; }
const Session &CurrentSession() { return sessionStore(); }
QString Operador() { return sessionStore().operador; }
QString FiliProc() { return sessionStore().filial; }
QString EmprProc() { return sessionStore().empresa; }
QString WebURL() { return sessionStore().webUrl; }
int WebPort() { return sessionStore().webPort; }
bool KeepConnected() { return sessionStore().keepConnected; }
QString SessionToken() { return sessionStore().token; }
QString ServerCaFile() { return sessionStore().caFile; }
QString ApplicationTitle() { return sessionStore().applicationTitle; }

// ---- Messages ----------------------------------------------------------------------

namespace {
// Every box of the host carries the application's title.
DialogRequest titledRequest(DialogRequest::Kind kind, const QString &text)
{
    DialogRequest request;
    request.kind = kind;
    request.title = ApplicationTitle();
    request.text = text;
    return request;
}
}

void MensErro(const QString &text, bool)
{
    // an empty text would make the abort silent: the operator must see why it ended
    DialogRequest request = titledRequest(DialogRequest::Error,
                                          text.isEmpty() ? TMessages::host().Msg("ERRO_GENERICO") : text);
    Dialogs().show(request);
    throw EAbort(request.text);
}

int MsgAlertEx(const QString &text, int kind, const QStringList &buttons, int a, int b, int c)
{
    DialogRequest request = titledRequest(kindOf(kind), text);
    request.buttons = buttons.isEmpty() ? QStringList{TMessages::host().Msg("OK")} : buttons;
    const int count = int(request.buttons.size());
    request.defaultButton = a >= 1 && a <= count ? a - 1 : -1;
    request.escapeButton = b >= 1 && b <= count ? b - 1 : count - 1;
    request.minimumWidth = c > 0 ? c : 0;
    const int chosen = Dialogs().show(request);
    return 10 + (chosen >= 0 && chosen < count ? chosen : request.escapeButton);
}

void ShowDetailError(const QString &message, const QString &detail)
{
    DialogRequest request = titledRequest(DialogRequest::Detail, message);
    request.detail = detail;
    Dialogs().show(request);
}

void ShowWarning(const QString &text)
{
    Dialogs().show(titledRequest(DialogRequest::Warning, text));
}

bool AskYesNo(const QString &text)
{
    DialogRequest request = titledRequest(DialogRequest::Question, text);
    request.buttons = QStringList{TMessages::host().Msg("SIM"), TMessages::host().Msg("NAO")};
    request.defaultButton = 0;
    request.escapeButton = 1;
    return Dialogs().show(request) == 0;
}

QJsonValue CheckResultServ(const RemoteResult &result, bool, int)
{
    if (!result.isError)
        return result.value;
    const QString message = result.errorMessage.isEmpty() ? TMessages::host().Msg("ERRO_SERVIDOR") : result.errorMessage;
    ShowDetailError(message, result.errorDetail);
    throw EAbort(message);
}

// ---- Event-handler boundary ----------------------------------------------------------

ExceptionHandler SetApplicationExceptionHandler(ExceptionHandler handler)
{
    ExceptionHandler previous = std::move(exceptionHandler());
    exceptionHandler() = std::move(handler);
    return previous;
}

void ShowException(const std::exception &e)
{
    const QString what = QString::fromUtf8(e.what());
    DialogRequest request = titledRequest(DialogRequest::Error,
                                          what.isEmpty() ? TMessages::host().Msg("ERRO_GENERICO") : what);
    Dialogs().show(request);
}

static void report(const std::exception &e)
{
    try {
        if (exceptionHandler()) exceptionHandler()(e);
        else defaultExceptionHandler(e);
    } catch (const std::exception &inner) {
        // the handler itself failed: nothing is left to show it but the console
        std::fprintf(stderr, "%s\n%s\n", e.what(), inner.what());
    } catch (...) {
        std::fprintf(stderr, "%s\n", e.what());
    }
}

bool guarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const EAbort &) {
        return false;
    } catch (const std::exception &e) {
        report(e);
        return false;
    } catch (...) {
        report(std::runtime_error(TMessages::host().Msg("ERRO_GENERICO").toStdString()));
        return false;
    }
}

}
