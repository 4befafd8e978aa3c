// The console's own command-line options: --help and --version.
#pragma once

#include <optional>

namespace quelvo::console {

// Prints the usage or the version when asked and gives the exit code; nullopt means run.
std::optional<int> answerInfoOptions(int argc, char** argv);

}  // namespace quelvo::console
