// The picture box: the kind told from the first bytes, then that kind's reader and no other.
#include <QApplication>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/widgets/picturebox.h"

namespace {

// Made once and never destroyed: Qt's own statics may be gone by the time exit handlers run.
QApplication* g_app = nullptr;
quelvo::PictureBox* g_box = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A decoder may not ask for more than this; the default of 256 MiB is slow under the sanitizer.
    QImageReader::setAllocationLimit(64);
    g_app = new QApplication(*argc, *argv);
    g_box = new quelvo::PictureBox;
    g_box->resize(64, 64);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    g_box->setPictureBytes(bytes);
    // The bytes are kept exactly as given, whether they showed or not.
    if (g_box->pictureBytes() != bytes)
        std::abort();
    (void)g_box->grab();
    return 0;
}
