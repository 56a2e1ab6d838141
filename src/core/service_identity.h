#pragma once

namespace kestrow::core {

// Sent as the User-Agent of every request the launcher makes to the service.
inline constexpr char kUserAgent[] = "Tq8ZbLw3RkPx7JdGs2HcN";

}  // namespace kestrow::core
