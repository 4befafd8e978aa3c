// A library someone else left in the start folder under the engine's name: loading it runs its
// constructor, which leaves a mark in the current folder.
#include <fcntl.h>
#include <unistd.h>

namespace {

__attribute__((constructor)) void markThatItRan() {
    const int fd = ::open("planted-ran", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
}

}  // namespace

// Looks like the engine to a binder, and does nothing.
extern "C" __attribute__((visibility("default"))) int SkinH_AttachEx(const char*, const char*) {
    return 0;
}
