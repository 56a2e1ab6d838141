#pragma once
// Clean-up of the compatibility-layer entry of the game client.

#include <string>

namespace kestrow::shell {

inline constexpr char kAppCompatFlagsKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags";
inline constexpr char kLayersSubKey[] = "Layers";
inline constexpr char kClearedLayers[] = "WINXPSP3 RUNASADMIN";

// In AppCompatFlags\Layers (the key created when missing), the value named by
// the full path of system\l2.exe in the game directory (empty: the working
// directory): when its text is exactly "WINXPSP3 RUNASADMIN" it becomes empty.
// Anything else, a missing value or one of another type is left alone.
// Failures are ignored.
void ClearCompatLayers(const std::string& game_directory = {});

}  // namespace kestrow::shell
