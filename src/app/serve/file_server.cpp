#include "file_server.h"

#include <httplib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/files.h"

namespace kestrow::serve {

namespace {

constexpr std::size_t kChunk = 256 * 1024;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
    return s;
}

}  // namespace

std::optional<std::string> ResolveRequestPath(const std::string& root,
                                              const std::string& request_path) {
    if (request_path.empty() || request_path.front() != '/')
        return std::nullopt;
    if (request_path.find('\0') != std::string::npos)
        return std::nullopt;
    if (request_path.find('\\') != std::string::npos)
        return std::nullopt;
    std::string relative;
    std::size_t start = 1;
    while (start <= request_path.size()) {
        std::size_t end = request_path.find('/', start);
        if (end == std::string::npos)
            end = request_path.size();
        std::string segment = request_path.substr(start, end - start);
        if (segment == "..")
            return std::nullopt;
        if (!segment.empty() && segment != ".") {
            if (!relative.empty())
                relative += '/';
            relative += segment;
        }
        start = end + 1;
    }
    if (relative.empty())
        return std::nullopt;
    std::string base = root;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/" + relative;
}

std::string ContentTypeFor(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "application/octet-stream";
    }
    const std::string ext = Lower(path.substr(dot + 1));
    if (ext == "xml")
        return "text/xml";
    if (ext == "txt" || ext == "log")
        return "text/plain";
    if (ext == "html" || ext == "htm")
        return "text/html";
    return "application/octet-stream";
}

void ConfigureFileServer(httplib::Server& server, const std::string& root) {
    // Downloaders keep one connection for hundreds of requests.
    server.set_keep_alive_max_count(1000000);
    server.set_keep_alive_timeout(60);
    server.Get(".*", [root](const httplib::Request& req, httplib::Response& res) {
        const std::optional<std::string> path = ResolveRequestPath(root, req.path);
        if (!path || !platform::FileExists(*path)) {
            res.status = 404;
            res.set_content("Not Found\n", "text/plain");
            return;
        }
        std::shared_ptr<platform::FileStream> file;
        try {
            file = std::make_shared<platform::FileStream>(*path, platform::OpenMode::Read,
                                                          platform::ShareMode::DenyNone);
        } catch (const platform::Error&) {
            res.status = 403;
            res.set_content("Forbidden\n", "text/plain");
            return;
        }
        file->Advise(platform::AccessHint::Sequential);
        const auto size = static_cast<std::size_t>(file->Size());
        auto buffer = std::make_shared<std::vector<char>>(kChunk);
        res.set_content_provider(
            size, ContentTypeFor(*path),
            [file, buffer](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                try {
                    file->Seek(static_cast<std::int64_t>(offset), platform::SeekOrigin::Begin);
                    const std::size_t want = std::min(length, buffer->size());
                    const std::int64_t got =
                        file->Read(buffer->data(), static_cast<std::int64_t>(want));
                    if (got <= 0)
                        return false;  // file shrank while being served
                    return sink.write(buffer->data(), static_cast<std::size_t>(got));
                } catch (const platform::Error&) {
                    return false;
                }
            });
    });
}

}  // namespace kestrow::serve
