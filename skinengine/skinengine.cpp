// The window-skin engine: reads a skin file and gives every window of the running application its
// look. Built as a loadable library whose only export is SkinH_AttachEx.
#include <QApplication>
#include <QString>

#include <fstream>
#include <iterator>
#include <string>

#include "common/text.h"
#include "skinengine/skinformat.h"

namespace {

using quelvo::skin::SkinError;

// The whole file, or nothing when it cannot be read or is far too long to be a skin.
bool readSkinFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    const std::size_t limit = quelvo::skin::kHeaderSize + quelvo::skin::kMaxPayload + 1;
    bytes.clear();
    char buffer[8192];
    while (in && bytes.size() < limit) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    return !in.bad();
}

int attach(const char* skinPath) {
    if (!skinPath || !*skinPath)
        return static_cast<int>(SkinError::Unreadable);
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application)
        return static_cast<int>(SkinError::NoApplication);

    // The caller speaks GB18030; names on disk are UTF-8.
    const std::string path = quelvo::Text(skinPath).toUtf8();
    std::string bytes;
    if (!readSkinFile(path, bytes))
        return static_cast<int>(SkinError::Unreadable);
    quelvo::skin::Unpacked skin = quelvo::skin::unpackSkin(bytes);
    if (skin.error != SkinError::None)
        return static_cast<int>(skin.error);

    application->setStyleSheet(QString::fromUtf8(skin.styleSheet));
    return static_cast<int>(SkinError::None);
}

}  // namespace

// Gives the application the look of the skin file at `skinPath` (GB18030 text). Our format has no
// password; the argument is accepted and not used. 0 on success, else a SkinError code, and the
// application's look is then left as it was.
extern "C" __attribute__((visibility("default"))) int SkinH_AttachEx(const char* skinPath,
                                                                     const char* password) {
    (void)password;
    return attach(skinPath);
}
