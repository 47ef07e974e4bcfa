// Ripwell's entry point. The program itself is assembled by the application object; a run that
// rips from the command line (or asks for --help) needs no window and no display.
#include <string>
#include <vector>

#include "app/rip_command_line.h"

int RipwellMain(int argc, char** argv);

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv, argv + argc);
    if (IsCommandLineRun(arguments))
        return RipCommandLineMain(argc, argv);
    return RipwellMain(argc, argv);
}
