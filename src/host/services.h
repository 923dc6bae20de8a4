#pragma once
#include "host/abort.h"
#include "host/remoteresult.h"
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <functional>

class QWidget;
class QTableView;

namespace qor {

class RecordSet;

// ---- The signed-in session (set by the host at sign-in) ------------------------
struct Session {
    QString operador;        // "000000000001"
    QString filial;          // "0001"
    QString empresa;         // "0001"
    QString webUrl = "127.0.0.1";
    int webPort = 7010;
    bool keepConnected = false;
    QString applicationTitle = "Sistemas Integrados Calbrex";
    QString siteWebCliKey = "SOFTWARE/VORTALY/Sistemas Integrados Vortaly/WebCli";
};
void SetSession(const Session &session);
const Session &CurrentSession();

QString Operador();
QString FiliProc();
QString EmprProc();
QString WebURL();
int WebPort();
bool KeepConnected();
QString ApplicationTitle();

// ---- Messages --------------------------------------------------------------------
// Shows text as an error and ends the operation (throws EAbort carrying the text).
[[noreturn]] void MensErro(const QString &text, bool abort = true);
// kind: 3 confirmation, 2 information (1 warning, 0 error). Returns 10, 11 or 12
// for the first, second or third button.
int MsgAlertEx(const QString &text, int kind, const QStringList &buttons,
               int a = 1, int b = 0, int c = 20);
void ShowDetailError(const QString &message, const QString &detail);
// A warning box titled with the application's title.
void ShowWarning(const QString &text);
// Yes/No question; true for Yes.
bool AskYesNo(const QString &text);

// Recognises a server error in result: shows it (with its detail) and aborts.
// Otherwise returns the payload.
QJsonValue CheckResultServ(const RemoteResult &result, bool abort = true, int flags = 0);

// ---- Busy indicator --------------------------------------------------------------
void ActiveShowAvi(QWidget *hostWindow, int kind, const QString &caption = {});
void DeactiveShowAvi();
bool BusyIndicatorShown();
// RAII: hourglass cursor for the scope.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// ---- Text helpers ----------------------------------------------------------------
bool EmptyString(const QString &text);
// A code at a fixed width: digits-only codes get leading zeros ("7" -> "007");
// any other text is trimmed and right-aligned with leading blanks; a text longer
// than the width keeps its last `width` characters.
QString Ajusta(const QString &code, int width);
QString AllTrim(const QString &text);
QString Replicate(const QString &text, int count);
template <typename T> T iif(bool condition, T a, T b) { return condition ? a : b; }

// ---- Deciphering -----------------------------------------------------------------
QString Uncripto(const QString &text, int key = 2);
QString UncriptoPlus(const QString &text);
// The inverse operations (used at build time and by tests).
QString Cripto(const QString &plain, int key = 2);
QString CriptoPlus(const QString &plain);

// ---- Authentication --------------------------------------------------------------
using LogonChecker = std::function<bool(const QString &domain, const QString &user, const QString &password)>;
void SetLogonChecker(LogonChecker checker);
bool SSPLogonUser(const QString &domain, const QString &user, const QString &password);

// ---- Look-ups --------------------------------------------------------------------
bool Pesquisar(RecordSet &records, const QString &title, bool a = false, bool b = true);
void Procura(RecordSet &records, QWidget *parent = nullptr);
int IndiceCol(QTableView *grid, const QString &fieldName);
QString PictPess(const QString &registration);

// ---- Sibling modules -------------------------------------------------------------
using ModuleLoader = std::function<bool(const QString &screenCode, const QString &parameter)>;
void SetModuleLoader(ModuleLoader loader);
bool LoadBPL(const QString &screenCode, const QString &parameter = {});
using ModuleUnloader = std::function<void(const QString &screenCode)>;
void SetModuleUnloader(ModuleUnloader unloader);
void UnLoadBPL(const QString &screenCode);
void SetUnloadBPL(const QString &className, QWidget *window);

// ---- Windows ---------------------------------------------------------------------
void Trad(QWidget *window);
void SelectFirstControl(QWidget *container);
void SelectNextControl(QWidget *container, bool forward);
// The host's multi-document main window, or null (set by the host).
void SetHostMainWindow(QWidget *window);
QWidget *HostMainWindow();
// Opens a child window in the host's document area (falls back to a top-level window).
using ChildWindowOpener = std::function<void(QWidget *window)>;
void SetChildWindowOpener(ChildWindowOpener opener);
void ShowChildWindow(QWidget *window);

// ---- Event-handler boundary ------------------------------------------------------
// Runs handler; EAbort ends it silently (its message was shown already), any
// other exception goes to the application's exception handler.
void guarded(const std::function<void()> &handler);
using ExceptionHandler = std::function<void(const std::exception &)>;
void SetApplicationExceptionHandler(ExceptionHandler handler);
void ShowException(const std::exception &e);   // the standard display

}
