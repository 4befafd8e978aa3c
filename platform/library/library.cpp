// Run-time binding of library functions by file name and export name.
#include "platform/library/library.h"

#include <QApplication>
#include <QGuiApplication>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/widgets/messagebox.h"

namespace quelvo::library {
namespace {

struct Loaded {
    std::string file;
    void* handle;
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

}  // namespace

void* bindFunction(const Text& file, const char* function) {
    const std::string path = file.toUtf8();
    void* handle = nullptr;
    for (const Loaded& library : loaded()) {
        if (library.file == path)
            handle = library.handle;
    }
    std::string reason;
    if (!handle) {
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle) {
            loaded().push_back({path, handle});
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
