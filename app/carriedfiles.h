// The two files the program carries, written out at start, and the skin they give its windows.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace quelvo::app {

inline constexpr const char* kSkinEngineFileName = "jedata.dll";
inline constexpr const char* kSkinFileName = "皮肤.she";
inline constexpr const char* kSkinEngineExport = "SkinH_AttachEx";
// Hidden + system: the mark that makes the next run's writes refuse and reuse these copies.
inline constexpr std::uint32_t kCarriedAttributes = 6;

using SkinAttach = int(const char* skinPath, const char* password);

// The main window's created step, with `folder` standing for the current directory: writes the
// library and the skin file into it (create or replace, normal attributes), marks both hidden and
// system, binds SkinH_AttachEx from the written library and calls it with the skin file's path.
// Each result is ignored; an unloadable library is the fatal error of the binding.
void installCarriedFiles(const Text& folder);

}  // namespace quelvo::app
