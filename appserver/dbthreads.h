#pragma once
#include "database.h"
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace apr {

// Starts `count` threads named "<name>-N", each opening a database
// connection of its own (Qt SQL connections belong to the thread that opens
// them) and then running `body` on it. Returns once every thread has its
// connection; false with `error` when one could not open it. Connections that
// answer calls leave checkpoints of SQLite's write-ahead log to the server's
// checkpointer.
bool startDatabaseThreads(std::vector<std::unique_ptr<QThread>> &threads, int count, const QString &name,
                          const DatabaseUrl &url, bool answersCalls, std::function<void(Database &)> body,
                          QString &error);

}
