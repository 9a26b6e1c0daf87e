#include "connectioncheck/ConnectionCheckProgram.h"

int main(int argc, char* argv[])
{
    return varno::runConnectionCheck(argc, argv);
}
