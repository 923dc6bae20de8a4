#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

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

// Installs a seam (takes ownership); returns the previous one.
std::unique_ptr<DialogSeam> SetDialogSeam(std::unique_ptr<DialogSeam> seam);
DialogSeam &Dialogs();

// The seam of the interactive host: message boxes and real dialogs.
std::unique_ptr<DialogSeam> CreateInteractiveSeam();

// A seam for tests: answers from a queue (default answer 0 / accept / no pick)
// and records every request.
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

private:
    std::vector<int> m_answers;
};

}
