#include "support/served_tree.h"

#include <filesystem>

#include "support/temp_dir.h"

namespace kestrow::test {

void ServeTree(FaultServer& server, const std::string& root,
               std::chrono::milliseconds archive_delay) {
    namespace fs = std::filesystem;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file())
            continue;
        std::string path = "/" + fs::relative(e.path(), root).generic_string();
        for (std::size_t at = path.find(' '); at != path.npos; at = path.find(' ', at))
            path.replace(at, 1, "%20");
        FaultReply reply = FaultReply::Ok(ReadFile(e.path().string()));
        if (path.ends_with(".lzma"))
            reply.delay = archive_delay;
        server.On(path, reply);
    }
}

}  // namespace kestrow::test
