#pragma once
// A service for update runs: catalogues and archives built in the test and
// served on loopback by the fault server, a game directory, a launcher state
// and a recording window; runs whose log lines are kept.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/launcher_state.h"
#include "core/recording_window_port.h"
#include "support/fault_server.h"
#include "support/temp_dir.h"
#include "update/thread_for_download.h"

namespace kestrow::update::runtest {

// A run whose log lines are kept ("INFO text", "WARN text", "ERROR text");
// on_log runs on the logging thread for each line.
class LoggedRun : public ThreadForDownLoad {
  public:
    using ThreadForDownLoad::ThreadForDownLoad;
    std::vector<std::string> Logs() const;
    bool HasLine(std::string_view prefix) const;
    // The first line that starts with prefix; empty when none.
    std::string Line(std::string_view prefix) const;
    std::function<void(const std::string&)> on_log;

    void WriteLog(LogLevel level, std::string_view text) override;
    void WriteException(std::string_view context, std::exception_ptr error) override;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> logs_;
};

struct ServedFile {
    std::string name;                       // as the catalogue writes it
    std::string data;                       // the real content
    std::string kind;                       // "1" client, "2" patch
    std::optional<std::string> size;        // catalogue size; default the real size
    std::optional<test::FaultReply> reply;  // answer for the archive; default the archive
};

class RunFixture {
  public:
    RunFixture();

    // Catalogues and archives of files, published on the fault server.
    void Serve(const std::vector<ServedFile>& files);
    // Writes a file into the game directory (name with backslashes).
    void Put(const std::string& name, const std::string& data);
    std::optional<std::string> Read(const std::string& name) const;
    std::string HostPath(const std::string& name) const;

    test::TempDir dir;
    test::FaultServer server;
    core::ScopedLauncherState state;
    core::RecordingWindowPort port;
    std::string game;
};

// An .lzma archive of data as the service publishes it.
std::string ArchiveOf(std::string_view data);

// The status line text of an id in the run's language.
std::string StatusTextOf(int id, int language = 1);

}  // namespace kestrow::update::runtest
