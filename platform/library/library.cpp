// Run-time binding of library functions by file name and export name.
#include "platform/library/library.h"

#include <QApplication>
#include <QGuiApplication>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/files.h"
#include "platform/widgets/messagebox.h"

namespace quelvo::library {
namespace {

struct Loaded {
    std::string file;
    void* handle;
    bool byName;  // loaded by bindFunction from `file`
};

// In load order; a handful of libraries at most, so a plain list does.
std::vector<Loaded>& loaded() {
    static std::vector<Loaded> libraries;
    return libraries;
}

// A platform nobody can see (offscreen, minimal) gets no box: it could never be closed.
bool canShowMessageBox() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

// Loads `path` as a new library and binds `function`; an unusable one is unloaded again.
void* loadAndBind(const std::string& path, const char* function, std::string& reason) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = ::dlerror();
        reason = error ? error : "cannot load " + path;
        return nullptr;
    }
    ::dlerror();
    if (void* address = ::dlsym(handle, function)) {
        // Loaded from an open file: bindFunction never reuses it for a file name.
        loaded().push_back({std::string(), handle, false});
        return address;
    }
    const char* error = ::dlerror();
    reason = error ? error : std::string("no export ") + function;
    ::dlclose(handle);
    return nullptr;
}

}  // namespace

void* bindFunctionInFile(int fd, const char* function, std::string& reason) {
    if (fd < 0) {
        reason = "no file";
        return nullptr;
    }
    // The loader knows a library by the name it was loaded from before it looks at the file: a
    // /proc/self/fd name an earlier load used would give that library. Copies of the descriptor
    // give a number no loaded library goes by.
    std::vector<int> copies;
    int number = fd;
    void* address = nullptr;
    while (true) {
        const std::string path = "/proc/self/fd/" + std::to_string(number);
        void* known = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (!known) {
            address = loadAndBind(path, function, reason);
            break;
        }
        ::dlclose(known);
        number = copies.size() < 64 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
        if (number < 0) {
            reason = "no free descriptor name to load the library by";
            break;
        }
        copies.push_back(number);
    }
    for (int copy : copies)
        ::close(copy);
    return address;
}

void* bindFunctionInBytes(std::span<const unsigned char> bytes, const char* function,
                          std::string& reason) {
    int fd = -1;
#ifdef MFD_EXEC
    // Newer kernels may make memory files non-executable unless asked; older ones refuse the flag.
    fd = ::memfd_create("quelvo-library", MFD_CLOEXEC | MFD_EXEC);
#endif
    if (fd < 0)
        fd = ::memfd_create("quelvo-library", MFD_CLOEXEC);
    if (fd < 0) {
        reason = std::string("no memory file: ") + std::strerror(errno);
        return nullptr;
    }
    void* address = nullptr;
    if (files::writeAll(fd, bytes.data(), bytes.size()))
        address = bindFunctionInFile(fd, function, reason);
    else
        reason = std::string("cannot fill the memory file: ") + std::strerror(errno);
    // The loaded library keeps its own mapping of the bytes.
    ::close(fd);
    return address;
}

void* bindFunction(const Text& file, const char* function) {
    const std::string path = file.toUtf8();
    void* handle = nullptr;
    for (const Loaded& library : loaded()) {
        if (library.byName && library.file == path)
            handle = library.handle;
    }
    std::string reason;
    if (!handle) {
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle) {
            loaded().push_back({path, handle, true});
        } else if (const char* error = ::dlerror()) {
            reason = error;
        }
    }
    if (handle) {
        ::dlerror();
        if (void* address = ::dlsym(handle, function))
            return address;
        if (const char* error = ::dlerror())
            reason = error;
    }
    fatalError(Text::fromUtf8("无法绑定库“" + path + "”中的函数“" + function + "”。\n" + reason));
}

void unloadAll() {
    auto& libraries = loaded();
    while (!libraries.empty()) {
        ::dlclose(libraries.back().handle);
        libraries.pop_back();
    }
}

std::size_t loadedCount() {
    return loaded().size();
}

void fatalError(const Text& message) {
    std::fprintf(stderr, "quelvo: fatal error: %s\n", message.toUtf8().c_str());
    std::fflush(stderr);
    if (canShowMessageBox())
        widgets::messageBox(message, "致命错误"_t);
    // Nothing after a fatal error is trusted to run: no exit handlers, no static destructors.
    std::_Exit(kFatalExitStatus);
}

}  // namespace quelvo::library
