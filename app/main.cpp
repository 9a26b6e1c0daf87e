#include "app/Startup.h"

int main(int argc, char* argv[])
{
    return varno::runModuleVarno(argc, argv);
}
