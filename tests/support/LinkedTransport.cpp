// Linked into every test and benchmark: they run from folders of their own, so they are handed the
// transport directly instead of loading it from the program's folder.
#include "net/Transport.h"

namespace {

const bool linked = [] {
    varno::useLinkedTransport(&varno::varnoCreateTransport);
    return true;
}();

} // namespace
