// The version every companion program prints with --version and the report's
// manifest states.
#pragma once

inline constexpr const char* kCompanionVersion = "1.1";
