#pragma once
#include "vcs/recognition.h"
#include <QString>

namespace vcs {

// What the client's output says about a command, decided from text alone.
struct Classification {
    enum class Kind {
        None,
        LockRefused,          // a lock refused under the lock caption
        LockedWorkingCopy,    // the working copy needs a cleanup
        General,              // one of the general failure texts
        CommitFailed,
        OutdatedWorkingCopy,  // a lock refused because the copy is out of date
        ClientError,          // a failed command whose error line no rule lists
    };
    Kind kind = Kind::None;
    QString messageKey;       // the message that ends the operation
    QString clientLine;       // the client's line that decided it
    bool unlocksCheckout = false;
    bool clearsCheckout = false;

    bool failed() const { return kind != Kind::None; }
};

// The listed rules, applied to the text of one poll under the runner's caption;
// the first rule that applies decides.
Classification Classify(const Recognition &texts, const QString &pollText, const QString &caption);

// After the command: one that exited with an error (a non-zero code or a
// crash) and printed an "svn: E" line that no rule lists failed all the same.
// Warnings never fail a command on their own.
Classification ClassifyEnd(const Recognition &texts, const QString &output, int exitCode, bool crashed);

}
