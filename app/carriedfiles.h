// The two files the program carries, written out at start, and the skin they give its windows.
#pragma once

#include <cstdint>
#include <filesystem>

namespace quelvo::app {

inline constexpr const char* kSkinEngineFileName = "jedata.dll";
inline constexpr const char* kSkinFileName = "皮肤.she";
inline constexpr const char* kSkinEngineExport = "SkinH_AttachEx";
// Hidden + system: the mark that makes the next run's writes refuse and reuse these copies.
inline constexpr std::uint32_t kCarriedAttributes = 6;

using SkinAttach = int(const char* skinPath, const char* password);

// The main window's created step, with `folder` standing for the current directory (its name may be
// any bytes): writes the library and the skin file into it (create or replace, normal attributes;
// a link at either name is replaced, never written through), marks both hidden and system, binds
// SkinH_AttachEx and calls it with the skin file's path. Only our own engine is loaded: the copy
// in the folder when its bytes are ours, else the carried bytes from memory; a planted library
// is left in place and never run. Each result is ignored; when no engine can be loaded at all,
// that is the fatal error of the binding.
void installCarriedFiles(const std::filesystem::path& folder);

}  // namespace quelvo::app
