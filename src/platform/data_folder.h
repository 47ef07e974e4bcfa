// Where the program's data lies: the demo disc and the help pages. An installed program finds
// them beside itself (<prefix>/share/ripwell for <prefix>/bin/ripwell, wherever the prefix was
// put, even moved after installing); a program run from its build folder uses the build
// folder's data/.
#pragma once

#include <string>

namespace platform {

// The data folder of this program, or empty when there is none.
std::string ProgramDataFolder();

// The rule, open for tests. programFile: the running program's file; dataFromProgram: the data
// folder relative to the program's folder once installed ("../share/ripwell"); buildFolder: the
// build folder, whose data/ serves programs inside it; configured: the data folder of the
// prefix the build was configured for, the last resort. The first that exists is taken.
std::string DataFolderFor(const std::string& programFile, const std::string& dataFromProgram,
                          const std::string& buildFolder, const std::string& configured);

} // namespace platform
