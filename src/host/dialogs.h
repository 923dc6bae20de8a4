#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace qor {

class RecordSet;

// Everything the module shows or asks goes through this seam. The host installs
// the interactive one; tests install a scripted one that records what was shown.
struct DialogRequest {
    enum Kind { Error, Warning, Information, Confirmation, Question, Detail, Search, Modal, Find };
    Kind kind = Information;
    QString title;
    QString text;
    QString detail;          // ShowDetailError: the server's detail
    QStringList buttons;     // captions, in order
    int defaultButton = -1;  // 0-based index of the button that Enter picks; -1 none
    // 0-based index of the button that Escape (or the close box) picks; -1 the last one;
    // NoButton: Escape and the close box pick none and show returns -1.
    int escapeButton = -1;
    static constexpr int NoButton = -2;
    int minimumWidth = 0;    // of the box, in average characters; 0 natural
};

class DialogSeam {
public:
    virtual ~DialogSeam() = default;
    // Returns the index (0-based) of the button chosen; for Error/Warning/Information 0.
    virtual int show(const DialogRequest &request) = 0;
    // Pesquisar: a pick list over a record set; true when a record was picked
    // (the record set's cursor then stands on it).
    virtual bool pick(const QString &title, RecordSet &records) = 0;
    // A modal window: returns QDialog::exec()'s result.
    virtual int execModal(QDialog &dialog) = 0;
};

// Installs a seam (takes ownership); returns the previous one. Without one
// installed, Dialogs() creates the interactive seam when a QApplication exists,
// otherwise a console seam that writes each request to standard error and
// answers 0 / rejected / no pick.
std::unique_ptr<DialogSeam> SetDialogSeam(std::unique_ptr<DialogSeam> seam);
DialogSeam &Dialogs();
std::unique_ptr<DialogSeam> CreateConsoleSeam();


// The seam of the interactive host: message boxes and real dialogs.
std::unique_ptr<DialogSeam> CreateInteractiveSeam();

// A seam for tests: answers from a queue (default answer 0 / accept / no pick)
// and records every request: show() as given, pick() as a Search request with
// the title, execModal() as a Modal request with the dialog's window title.
class ScriptedDialogs : public DialogSeam {
public:
    int show(const DialogRequest &request) override;
    bool pick(const QString &title, RecordSet &records) override;
    int execModal(QDialog &dialog) override;

    void answer(int buttonIndex) { m_answers.push_back(buttonIndex); }
    // Called with each modal dialog before it would be shown; returns the exec result.
    std::function<int(QDialog &)> onModal;
    std::function<bool(RecordSet &)> onPick;

    std::vector<DialogRequest> shown;
    QStringList texts() const;
    int count(DialogRequest::Kind kind) const;

private:
    std::vector<int> m_answers;
};

// Installs a scripted seam for the life of the object and restores the previous
// seam afterwards (for tests).
class ScopedScriptedDialogs {
public:
    ScopedScriptedDialogs();
    ~ScopedScriptedDialogs();
    ScopedScriptedDialogs(const ScopedScriptedDialogs &) = delete;
    ScopedScriptedDialogs &operator=(const ScopedScriptedDialogs &) = delete;
    ScriptedDialogs &operator*() const { return *m_seam; }
    ScriptedDialogs *operator->() const { return m_seam; }
private:
    ScriptedDialogs *m_seam;
    std::unique_ptr<DialogSeam> m_previous;
};

}
