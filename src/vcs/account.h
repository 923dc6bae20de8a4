#pragma once
#include <QString>

namespace vcs {

// The operating-system account running the module (its effective user), the
// base of the repository account "svn_<name>". The environment's USER is only
// a fallback for when the account database has no entry.
QString OperatingSystemUser();

}
