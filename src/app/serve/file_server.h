#pragma once
// Static files below one root, answered by path only: the query of a request
// never changes the answer.

#include <optional>
#include <string>

namespace httplib {
class Server;
}

namespace kestrow::serve {

// The host path for a decoded request path, or nothing when the path could
// leave the root (a ".." segment, a backslash, a NUL) or is not absolute.
std::optional<std::string> ResolveRequestPath(const std::string& root,
                                              const std::string& request_path);

// Content-Type by file name extension.
std::string ContentTypeFor(const std::string& path);

// Installs the GET/HEAD handler serving root (streamed from disk, ranges
// supported) and the connection settings.
void ConfigureFileServer(httplib::Server& server, const std::string& root);

}  // namespace kestrow::serve
