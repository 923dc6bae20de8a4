#pragma once
// What a failure of a check-out must undo, kept in one place for the two
// that undo it: the classification's reaction to a refused lock and the
// check-out's own recovery.
#include "vcs/activitykey.h"
#include <QStringList>

namespace qor { struct RemoteResult; }
namespace server { class RemoteServer; }

namespace vcs {

class CheckoutLedger {
public:
    // chosen: the list the selection fills with the files to lock (stlArqCheckout).
    explicit CheckoutLedger(QStringList &chosen) : m_chosen(chosen) {}

    // A new run for the activity: nothing asked for yet.
    void begin(const ActivityKey &activity);
    void end() { begin({}); }
    const ActivityKey &activity() const { return m_activity; }

    const QStringList &chosen() const { return m_chosen; }
    // The files whose lock was asked for, in order.
    void tried(const QString &file) { m_tried << file; }
    bool wasTried(const QString &file) const { return m_tried.contains(file, Qt::CaseInsensitive); }
    void forgetTried() { m_tried.clear(); }

    // ClearArqCheckout of the run's activity, unchecked: each caller decides
    // what a refusal means. Nothing is asked without an activity.
    bool hasActivity() const { return !m_activity.isEmpty(); }
    qor::RemoteResult clearOnServer(server::RemoteServer &server) const;

private:
    QStringList &m_chosen;
    ActivityKey m_activity;
    QStringList m_tried;
};

}
