#pragma once
#include "args.h"
#include <QJsonArray>
#include <QString>

namespace apr {

struct CallContext;

// Who may call a method. Every method not listed in authorisation.cpp gets
// the strictest rule: a session is needed, each "operador" argument must be
// the signed-in operator, and a writing call that names an activity (branch,
// task, activity) must concern an activity of his plan.
struct Rule {
    bool needsSession = true;
    bool othersAllowed = false;     // "operador" arguments may name other operators
    bool anyActivity = false;       // a write may concern an activity outside his plan

    static constexpr Rule open() { return {false, true, true}; }
    static constexpr Rule strict() { return {}; }
    constexpr Rule lookingUpOthers() const { Rule r = *this; r.othersAllowed = true; return r; }
    constexpr Rule onAnyActivity() const { Rule r = *this; r.anyActivity = true; return r; }
};

Rule ruleFor(const QString &method);

// Before the arguments are checked: refuses a call that needs a session on a
// connection without one.
void requireSession(const CallContext &context, const QString &method);
// After: refuses arguments naming another operator or another's activity.
void authorise(CallContext &context, const QString &method, const Form &form, const QJsonArray &params);

}
