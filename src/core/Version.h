#pragma once

namespace kelmar {
// The version line of the program (INI key "Version", about box, --version).
inline constexpr const char* kVersionText = "KELMAR 4.59.2 (LINUX)";
} // namespace kelmar
