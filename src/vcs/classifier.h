#pragma once
#include "vcs/recognition.h"
#include <QString>
#include <QStringList>

class QListWidget;
namespace server { class RemoteServer; }

namespace vcs {

class ConsoleRunner;

// What the classification needs of the main window.
class ClassifierContext {
public:
    virtual ~ClassifierContext() = default;
    virtual QStringList checkoutFiles() const = 0;     // stlArqCheckout, logical paths
    virtual QString svnUser() const = 0;               // stUsuarioSvn
    virtual QString svnPassword() const = 0;           // stSenhaSvn
    virtual QString currentTask() const = 0;           // NRTAREFA of the current plan record
    virtual QString currentActivity() const = 0;       // NRPLATIVTARE of the current plan record
    virtual server::RemoteServer &server() = 0;
    virtual void enableConfirm() = 0;                  // btnConfirmaSubVersion
};

// Classifies each poll of the main runner: on a recognised failure it undoes
// the locks of the current check-out where the failure calls for it, tells the
// server, and ends the operation with the failure's message.
class Classifier {
public:
    Classifier(ClassifierContext &context, const Recognition &texts = Recognition::mainWindow());

    // The runner that runs the unlock commands (the main runner itself) and the
    // list that receives their output (lsbProgresso).
    void setUnlockRunner(ConsoleRunner *runner, QListWidget *progress);

    void classify(const QString &pollText, const QString &caption);

    QString unlockCommand(const QString &file) const;

private:
    bool found(const QString &key, const QString &text) const { return m_texts.failureIn(key, text); }
    void lockRefusal(const QString &text, const QString &caption);
    void lockedWorkingCopy(const QString &text);
    void generalFailure(const QString &text, const QString &caption);
    void failedCommit(const QString &text);
    void outdatedWorkingCopy(const QString &text, const QString &caption);

    void unlockCheckoutFiles();
    void clearArqCheckout();
    [[noreturn]] void fail(const QString &key);

    ClassifierContext &m_context;
    const Recognition &m_texts;
    ConsoleRunner *m_runner = nullptr;
    QListWidget *m_progress = nullptr;
};

}
