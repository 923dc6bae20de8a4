#pragma once
// Many connections on one thread (epoll): each sends a call, reads its
// reply, checks it and sends the next at its own pace, like an operator.
#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

namespace bench {

struct CallKind {
    QByteArray method;
    QByteArray params;                                  // JSON array text
    std::function<bool(const QByteArray &reply)> check; // true when the reply is right
    int weight;                                         // share of the mix, in percent
};

struct LoadResult {
    long calls = 0;
    long failed = 0;
    double seconds = 0;
    // From a request's send until the generator read its reply, ms.
    double p50 = 0, p99 = 0;
    // The same until the reply reached the client's socket (the kernel's
    // receive time): without the generator's own wait for a core.
    double socketP50 = 0, socketP99 = 0;
    struct Kind { QByteArray method; long calls = 0; double p50 = 0, p99 = 0; };
    std::vector<Kind> kinds;  // the same figures per kind of call
    QString firstFailure;
};

struct LoadPlan {
    quint16 port = 0;
    int connections = 200;
    double rate = 6000;      // calls per second over all connections
    double warmup = 1;       // seconds not counted
    double duration = 10;    // seconds counted
    // Sent first on each connection (the session's Resume), its reply read
    // before the load starts.
    QByteArray greeting;
};

LoadResult runLoad(const LoadPlan &plan, const std::vector<CallKind> &mix);

}
