#pragma once
// The change log's own failure texts; every other failure shows the HTTP
// client's message.

namespace kestrow::changelog {

inline constexpr char kTextTooLarge[] = "The change log is too large to show.";
inline constexpr char kTextTooSlow[] = "The change log took too long to arrive.";

}  // namespace kestrow::changelog
