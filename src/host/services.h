#pragma once
#include "host/abort.h"
#include "host/remoteresult.h"
#include <QJsonValue>
#include <QString>
#include <QVariant>
#include <QList>
#include <QStringList>
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
    QString token;           // the application server's session, from the host's sign-in
    QString caFile;          // authorities the server's TLS certificate is checked against; empty: no TLS
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
// The session token the host signed in with; modules resume it on each connect.
QString SessionToken();
// The CA file of the host settings; a connection speaks TLS when it is set.
QString ServerCaFile();
QString ApplicationTitle();

// ---- Messages --------------------------------------------------------------------
// Shows text as an error and ends the operation (throws EAbort carrying the
// text). The flag is always true in this suite; the operation ends either way.
[[noreturn]] void MensErro(const QString &text, bool abort = true);
// kind: 3 confirmation, 2 information (1 warning, 0 error). Returns 10, 11 or 12
// for the first, second or third button (10 + index for further ones).
// The three trailing numbers:
//   a  the default button (1-based: the one Enter picks); 0 for none;
//   b  the cancel button (1-based: the one Escape or closing the box picks);
//      0 or a number beyond the buttons means the last button;
//   c  the box's minimum width in average characters; 0 for the natural width.
// So the suite's "1, 0, 20" is: Enter picks the first, Escape the last, at least
// 20 characters wide; "1, 20, 0" is: Enter the first, Escape the last.
int MsgAlertEx(const QString &text, int kind, const QStringList &buttons,
               int a = 1, int b = 0, int c = 20);
void ShowDetailError(const QString &message, const QString &detail);
// A warning box titled with the application's title.
void ShowWarning(const QString &text);
// Yes/No question; true for Yes.
bool AskYesNo(const QString &text);

// Recognises a server error in result: shows it with ShowDetailError and throws
// EAbort(message). Otherwise returns the payload (result.value). The trailing
// arguments are the suite's fixed "True, 0" and change nothing.
QJsonValue CheckResultServ(const RemoteResult &result, bool abort = true, int flags = 0);

// ---- Busy indicator --------------------------------------------------------------
// A small frameless panel centred over hostWindow (or the host main window) with
// a running bar and a caption: kind 0 "Aguarde...", kind 1 "Processando...",
// kind 6 the caption given (other kinds as 0). A second call while one shows
// only changes its caption. Without a widget application only the state is kept.
void ActiveShowAvi(QWidget *hostWindow, int kind, const QString &caption = {});
void DeactiveShowAvi();                      // harmless when none shows
bool BusyIndicatorShown();
QString BusyIndicatorCaption();              // empty when none shows
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
// A code at a fixed width: digits-only codes get leading zeros ("7" -> "007",
// "12" at 12 -> "000000000012"); any other text is trimmed and right-aligned
// with leading blanks; a text longer than the width keeps its last `width`
// characters. An empty or blank code stays empty.
QString Ajusta(const QString &code, int width);
QString AllTrim(const QString &text);
QString Replicate(const QString &text, int count);
template <typename T> T iif(bool condition, T a, T b) { return condition ? a : b; }

// ---- Deciphering -----------------------------------------------------------------
// Both ciphers work over the 95 printable ASCII characters (32..126); any other
// character passes Cripto unchanged, and CriptoPlus refuses it (empty result).
//   Cripto(key): length-preserving; each character is shifted by a key- and
//     position-dependent amount chained to the previous cipher character, and
//     the text is then reversed.
//   CriptoPlus: frames the text as two length characters, two check characters,
//     the text and a filler up to 88 characters at least (so the frame is
//     max(length + 4, 88) long), then permutes and shifts the frame.
// Uncripto/UncriptoPlus undo them; UncriptoPlus returns an empty text for input
// that is not a frame (wrong length or check). The suite's eleven-step chain
// (six UncriptoPlus, five Uncripto) turns a 108-character text into any plain
// text of up to 84 printable characters (see kSharedCipherLength).
QString Uncripto(const QString &text, int key = 2);
QString UncriptoPlus(const QString &text);
// The inverse operations (used at build time and by tests).
QString Cripto(const QString &plain, int key = 2);
QString CriptoPlus(const QString &plain);
// The eleven decipher steps of the shared password, and their inverse.
inline constexpr int kSharedCipherLength = 108;
inline constexpr int kSharedPlainMax = 84;
QString UncriptoShared(const QString &enciphered);
QString CriptoShared(const QString &plain);  // empty when plain does not fit

// ---- Authentication --------------------------------------------------------------
using LogonChecker = std::function<bool(const QString &domain, const QString &user, const QString &password)>;
// An empty checker restores the default (SystemLogonUser). DomainFileLogonUser
// checks the host-side file of domain accounts DomainPasswdPath() ($APR_HOME/domain/passwd, APR_HOME defaulting to
// $HOME/.apr), one line per account "DOMAIN\user:<salt>$<hex>", where hex is
// the SHA-256 of salt + password in lower-case hex; domain and user match in
// any case; lines starting with "#" are ignored.
void SetLogonChecker(LogonChecker checker);
// Without a checker set: SystemLogonUser.
bool SSPLogonUser(const QString &domain, const QString &user, const QString &password);
// The machine's own check: the domain must be DomainShortName() (in any case)
// and the PAM service PamService() must accept user and password.
bool SystemLogonUser(const QString &domain, const QString &user, const QString &password);
bool PamLogonUser(const QString &user, const QString &password);
// "apr-logon", or APR_PAM_SERVICE; APR_PAM_CONFDIR names a directory of
// service files to use instead of the system's.
QString PamService();
// The network domain's short name: the machine setting "rede/DominioCurto"
// ($APR_HOME/settings/machine/registry.ini), else the first label of the DNS
// domain, upper-case; empty when neither is known.
QString DomainShortName();
// The host-side file of domain accounts described above, as a checker.
bool DomainFileLogonUser(const QString &domain, const QString &user, const QString &password);
QString DomainPasswdPath();
// A line for that file (salt: printable, without "$" or ":"; random when empty).
QString DomainAccountLine(const QString &domain, const QString &user, const QString &password,
                          const QString &salt = {});

// ---- Look-ups --------------------------------------------------------------------
// The pick list (Dialogs().pick). title "Window|Caption" gives the window title
// and a caption above the grid. The flags are the suite's fixed "False, True"
// and change nothing: the list always offers its search box and closes on a pick.
bool Pesquisar(RecordSet &records, const QString &title, bool a = false, bool b = true);
// The find dialog (FindDialog, shown through Dialogs().execModal): the operator
// picks a visible field and types a text; the record set moves to the first row
// whose field starts with the text, in any case. Not found: a warning
// "REGISTRO_NAO_ENCONTRADO" and the cursor stays. Returns true when it moved.
bool Procura(RecordSet &records, QWidget *parent = nullptr);
// The grid column that shows fieldName (any case), -1 when none: through the
// RecordSetModel's columns, else by header text.
int IndiceCol(QTableView *grid, const QString &fieldName);
// A registration number with its mask, by its digits: 11 digits as a person's
// "999.999.999-99", 14 digits as a company's "99.999.999/9999-99"; any other
// text is returned unchanged. With personType "F" or "J" only that mask applies.
QString PictPess(const QString &registration);
QString PictPess(const QString &registration, const QString &personType);

// ---- Sibling modules -------------------------------------------------------------
// The host sets the loader. Without one, or when it refuses, LoadBPL shows the
// host message "MODULO_INDISPONIVEL" with the code and returns false.
using ModuleLoader = std::function<bool(const QString &screenCode, const QString &parameter)>;
void SetModuleLoader(ModuleLoader loader);
// A loader that refuses has told the operator why (the host names the screen).
bool LoadBPL(const QString &screenCode, const QString &parameter = {});
// Several values for the module, passed as one parameter text that
// ModuleParameters() gives back exactly (any characters).
bool LoadBPL(const QString &screenCode, const QStringList &values);
QString ModuleParameterText(const QStringList &values);
QStringList ModuleParameters(const QString &parameter);
using ModuleUnloader = std::function<void(const QString &screenCode)>;
void SetModuleUnloader(ModuleUnloader unloader);
void UnLoadBPL(const QString &screenCode);   // without an unloader: nothing
// Notes that window (of class className) belongs to a module; the host lists
// such windows with ModuleWindows() (destroyed ones drop out).
void SetUnloadBPL(const QString &className, QWidget *window);
QList<QWidget *> ModuleWindows();

// ---- Windows ---------------------------------------------------------------------
// The host's caption treatment: a window without a title takes its "screenCode"
// property; with a translator set, the window title and the texts of its labels,
// buttons and group boxes pass through it (no translator by default).
void Trad(QWidget *window);
using Translator = std::function<QString(const QString &)>;
void SetTranslator(Translator translator);
// Focus on the first (or next/previous, wrapping) enabled, visible control of
// container that takes focus by Tab.
void SelectFirstControl(QWidget *container);
void SelectNextControl(QWidget *container, bool forward);
// The host's multi-document main window, or null (set by the host).
void SetHostMainWindow(QWidget *window);
QWidget *HostMainWindow();
// The window the operator works in: QApplication's active window, except that
// in the host's document area it is the active document, not the area's frame.
QWidget *ActiveWindow();
// Opens a child window in the host's document area (falls back to a top-level window).
using ChildWindowOpener = std::function<void(QWidget *window)>;
void SetChildWindowOpener(ChildWindowOpener opener);
void ShowChildWindow(QWidget *window);

// ---- Event-handler boundary ------------------------------------------------------
// Runs handler; EAbort ends it silently (its message was shown already), any
// other exception goes to the application's exception handler.
// Returns false when the handler did not run to its end.
bool guarded(const std::function<void()> &handler);
// An empty handler restores the default: remove the busy indicator, then
// ShowException. Returns the previous handler.
using ExceptionHandler = std::function<void(const std::exception &)>;
ExceptionHandler SetApplicationExceptionHandler(ExceptionHandler handler);
void ShowException(const std::exception &e);   // the standard display: an error box

}
