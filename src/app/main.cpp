#include "base/MemoryTuning.h"
#include "app/Startup.h"

// The program reads no command-line arguments of its own; Qt's platform
// options (-platform, -display) still work.
int main(int argc, char **argv)
{
    MemoryTuning::apply();
    return runProgram(argc, argv);
}
