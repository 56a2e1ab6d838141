#pragma once
// Top-level windows of the X display, for grabbing another program's window.

#include <cstdint>
#include <optional>
#include <string>

namespace kestrow::screenshot {

// The id of a top-level window of the display (DISPLAY) whose title is
// exactly title; nullopt when there is none or no display.
std::optional<std::uint32_t> FindWindowByTitle(const std::string& title);

}  // namespace kestrow::screenshot
