// Linked into every test and benchmark: they run from folders of their own, so the transfer code is
// linked in rather than loaded from the program's folder.
#include "net/Transport.h"

namespace varno {

CreateTransport transportEntry()
{
    return &varnoCreateTransport;
}

} // namespace varno
