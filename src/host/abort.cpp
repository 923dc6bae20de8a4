#include "host/abort.h"

namespace qor {

void Abort() { throw EAbort(); }

}
