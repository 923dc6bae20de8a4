#pragma once
#include "vcs/checkoutledger.h"
#include "vcs/classification.h"
#include "vcs/commandline.h"
#include "vcs/recognition.h"
#include "vcs/runner.h"
#include "vcs/svnclient.h"
#include <QString>
#include <QStringList>
#include <memory>

namespace server { class RemoteServer; }

namespace vcs {

// What the reaction to a failure needs of the window that runs the commands.
class ClassifierContext {
public:
    virtual ~ClassifierContext() = default;
    virtual QString svnUser() const = 0;               // stUsuarioSvn
    virtual QString svnPassword() const = 0;           // stSenhaSvn
    virtual server::RemoteServer &server() = 0;
    virtual void enableConfirm() = 0;                  // btnConfirmaSubVersion
};

// The main window's classification: recognising is Classify/ClassifyEnd, pure;
// reacting undoes the locks of the current check-out where the failure calls
// for it, tells the server, and ends the operation with the failure's message.
class Classifier {
public:
    Classifier(ClassifierContext &context, const Recognition &texts = Recognition::mainWindow());
    // The unlocks run with the owner's client instead of one over the context's account.
    Classifier(ClassifierContext &context, const SvnClient &svn, const Recognition &texts = Recognition::mainWindow());

    // The check-out whose locks a refused lock undoes: its chosen files and
    // the activity of the run, fixed when the run started, so a move of the
    // plan's cursor meanwhile cannot redirect ClearArqCheckout.
    void setLedger(CheckoutLedger *ledger) { m_ledger = ledger; }

    // The runner that runs the unlock commands (the main runner itself) and the
    // sink of their lines (lsbProgresso).
    void setUnlockRunner(ConsoleRunner *runner, LineSink progress);

    Classification classify(const QString &pollText, const QString &caption) const;
    // The unlocks that undo a check-out are best effort: their own end never fails.
    Classification classifyEnd(const CommandResult &result) const;
    void react(const Classification &failure);

    CommandLine unlockCommand(const QString &file) const;
    QString message(const Classification &failure) const;

private:
    void unlockCheckoutFiles();
    void clearArqCheckout();

    ClassifierContext &m_context;
    const Recognition &m_texts;
    std::unique_ptr<SvnClient> m_ownSvn;   // when the owner gave none
    const SvnClient &m_svn;
    ConsoleRunner *m_runner = nullptr;
    LineSink m_progress;
    CheckoutLedger *m_ledger = nullptr;
    bool m_undoing = false;
};

}
