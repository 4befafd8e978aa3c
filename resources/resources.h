// The two files the program carries inside itself: the skin engine library and the skin file.
#pragma once

#include <span>

namespace quelvo::resources {

// The bytes of the built skin engine library (the export SkinH_AttachEx).
std::span<const unsigned char> skinEngineLibrary();

// The bytes of the skin file built from resources/skin/quelvo.qss.
std::span<const unsigned char> skinFile();

}  // namespace quelvo::resources
