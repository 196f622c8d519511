#pragma once
// The texts and numbers by which the host identifies the plug-in.

#include <cstdint>

#include "audio/VersionInfo.h"

namespace sonotape {

inline constexpr char kPluginVersion[] = SONOTAPE_VERSION_TEXT;
inline constexpr char kPluginLibType[] = "Plugin";
inline constexpr char kPluginName[] = "Sonotape";
inline constexpr char kPluginCopyright[] = SONOTAPE_COPYRIGHT_TEXT;
// Bit pattern 0x80000000: the smallest 32-bit integer.
inline constexpr std::int32_t kPluginPriority = INT32_MIN;

}  // namespace sonotape
