// Run-time binding of library functions by file name and export name.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/text.h"

namespace quelvo::library {

// Exit status of a fatal error report.
inline constexpr int kFatalExitStatus = 3;

// The address of `function` exported by the library `file`. The library is loaded at its first
// use and stays loaded until unloadAll(). A file without a slash is searched for the way the
// dynamic loader searches (not in the current directory). When the library cannot be loaded or
// lacks the export, the program stops with a fatal error report naming both.
void* bindFunction(const Text& file, const char* function);

template <typename Function>
Function* bind(const Text& file, const char* function) {
    return reinterpret_cast<Function*>(bindFunction(file, function));
}

// The address of `function` in the library open as the file `fd` (the caller keeps and closes it),
// loaded through its /proc/self/fd name so that no path is looked up again. nullptr, with
// `reason`, when it cannot be loaded or lacks the export: the caller decides what then.
void* bindFunctionInFile(int fd, const char* function, std::string& reason);

// The same for a library held in memory: its bytes go to an anonymous memory file first.
void* bindFunctionInBytes(std::span<const unsigned char> bytes, const char* function,
                          std::string& reason);

// Unloads every library loaded at run time, the last loaded first.
void unloadAll();

// Number of libraries loaded at run time and not yet unloaded.
std::size_t loadedCount();

// Reports `message` on standard error and, when a visible GUI exists, in a message box; then ends
// the process with kFatalExitStatus.
[[noreturn]] void fatalError(const Text& message);

}  // namespace quelvo::library
