// The two files the program carries, written out at start, and the skin they give its windows.
#include "app/carriedfiles.h"

#include "platform/files/files.h"
#include "platform/library/library.h"
#include "resources/resources.h"

namespace quelvo::app {

void installCarriedFiles(const Text& folder) {
    const Text library = folder + "/"_t + Text::fromUtf8(kSkinEngineFileName);
    const Text skin = folder + "/"_t + Text::fromUtf8(kSkinFileName);

    // On a later run both files are already hidden and system: these writes are refused and the
    // copies of the first run are used.
    files::writeFile(library, resources::skinEngineLibrary());
    files::writeFile(skin, resources::skinFile());
    files::setAttributes(library, kCarriedAttributes);
    files::setAttributes(skin, kCarriedAttributes);

    auto* attach = library::bind<SkinAttach>(library, kSkinEngineExport);
    attach(skin.c_str(), "");
}

}  // namespace quelvo::app
