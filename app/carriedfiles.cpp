// The two files the program carries, written out at start, and the skin they give its windows.
#include "app/carriedfiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <span>
#include <string>

#include "common/text.h"
#include "platform/files/files.h"
#include "platform/library/library.h"
#include "resources/resources.h"

namespace quelvo::app {
namespace {

// Whether the open file holds exactly `expected`.
bool holdsBytes(int fd, std::span<const unsigned char> expected) {
    std::size_t offset = 0;
    unsigned char buffer[65536];
    while (true) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(offset));
        if (n < 0)
            return false;
        if (n == 0)
            return offset == expected.size();
        const auto count = static_cast<std::size_t>(n);
        if (count > expected.size() - offset ||
            !std::equal(buffer, buffer + count, expected.begin() + offset))
            return false;
        offset += count;
    }
}

// The folder's copy of the engine, open, when it is our engine and nobody else can change it
// before or while it is loaded; else an empty file.
files::OpenFile ownEngineCopy(const files::OpenFile& folder) {
    const std::span<const unsigned char> engine = resources::skinEngineLibrary();
    files::OpenFile file = files::openRegularIn(folder, kSkinEngineFileName);
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0 ||
        static_cast<std::size_t>(info.st_size) != engine.size())
        return {};
    const bool ours = info.st_uid == ::geteuid() || info.st_uid == 0;
    if (!ours || (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 || !holdsBytes(file.get(), engine))
        return {};
    return file;
}

SkinAttach* bindEngine(const files::OpenFile& folder) {
    std::string reason;
    if (const files::OpenFile copy = ownEngineCopy(folder)) {
        if (void* address = library::bindFunctionInFile(copy.get(), kSkinEngineExport, reason))
            return reinterpret_cast<SkinAttach*>(address);
    }
    if (void* address =
            library::bindFunctionInBytes(resources::skinEngineLibrary(), kSkinEngineExport, reason))
        return reinterpret_cast<SkinAttach*>(address);
    library::fatalError(Text::fromUtf8(std::string("无法绑定库“") + kSkinEngineFileName +
                                       "”中的函数“" + kSkinEngineExport + "”。\n" + reason));
}

}  // namespace

void installCarriedFiles(const std::filesystem::path& folder) {
    // Held open: the names inside it are used as they are on disk, whatever bytes the folder's own
    // name is made of.
    const files::OpenFile opened = files::openFolder(folder.native());

    // On a later run both files are already hidden and system: these writes are refused and the
    // copies of the first run are used.
    files::writeFileIn(opened, kSkinEngineFileName, resources::skinEngineLibrary());
    files::writeFileIn(opened, kSkinFileName, resources::skinFile());
    files::setAttributesIn(opened, kSkinEngineFileName, kCarriedAttributes);
    files::setAttributesIn(opened, kSkinFileName, kCarriedAttributes);

    SkinAttach* attach = bindEngine(opened);
    // The engine takes GB18030 text; a path through the open folder needs none of its name.
    const std::string skin =
        opened ? "/proc/self/fd/" + std::to_string(opened.get()) + "/" + kSkinFileName
               : (folder / kSkinFileName).native();
    attach(Text::fromUtf8(skin).c_str(), "");
}

}  // namespace quelvo::app
