#pragma once
// The cache-buster query every address requested from the service carries.

#include <string>

namespace kestrow::shell {

// The URL without leading and trailing blanks, followed by "?" and the decimal
// UnixTime of the launcher state; a blank URL gives an empty text.
std::string AddCacheBuster(const std::string& url);

}  // namespace kestrow::shell
