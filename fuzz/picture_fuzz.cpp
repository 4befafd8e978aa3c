// The picture box: the kind told from the first bytes, then that kind's reader and no other.
#include <QApplication>
#include <QImageReader>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/widgets/picturebox.h"

namespace {

std::unique_ptr<QApplication> g_app;
std::unique_ptr<quelvo::PictureBox> g_box;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A decoder may not ask for more than this; the default of 256 MiB is slow under the sanitizer.
    QImageReader::setAllocationLimit(64);
    g_app = std::make_unique<QApplication>(*argc, *argv);
    g_box = std::make_unique<quelvo::PictureBox>();
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
