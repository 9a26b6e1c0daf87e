// The interface's stamp, built into each transport library with the stamp of its own build: the same
// transfer code, wrapped as this build's library or, for the tests, as another build's.
#include "net/Transport.h"

#include <array>

namespace varno {

// The stamp again, in a section of its own: the program reads it from the file before it loads the
// library, so that a library of another build never runs any of its code here.
#ifdef _MSC_VER
#pragma section(".vstamp", read)
__declspec(allocate(".vstamp")) extern const auto varnoTransportStamp = std::to_array(VARNO_TRANSPORT_ABI);
#else
__attribute__((section(".vstamp"), used)) extern const auto varnoTransportStamp = std::to_array(VARNO_TRANSPORT_ABI);
#endif

extern "C" const char* varnoTransportAbi()
{
    return VARNO_TRANSPORT_ABI;
}

} // namespace varno
