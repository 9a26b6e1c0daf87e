// Put into the foreign transport library: as soon as any of its code runs, it leaves a file at
// VARNO_TEST_INITIALIZER_MARK, so a test can tell that a library refused unread never ran.
#include <cstdio>
#include <cstdlib>

namespace {

struct LeaveMark {
    LeaveMark()
    {
        if (const char* mark = std::getenv("VARNO_TEST_INITIALIZER_MARK")) {
            if (std::FILE* file = std::fopen(mark, "w")) {
                std::fclose(file);
            }
        }
    }
};
const LeaveMark leaveMark;

} // namespace
