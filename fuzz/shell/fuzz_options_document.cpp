// Any bytes as the fetched options document, read into a launcher state of
// its own. The reading either stops before the first field (not a document)
// or fills the fields in order; nothing crashes and no field gets a value it
// cannot have.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/launcher_state.h"
#include "shell/exe_version.h"
#include "shell/options_document.h"
#include "shell/options_source.h"

namespace {

constexpr std::int64_t kUnixTime = 1700000000;
constexpr char kBuster[] = "?1700000000";
// No such file: the version falls back to the default without touching the disk twice.
constexpr char kExecutable[] = "/nonexistent/kestrow-fuzz/Game Updater.exe";

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrow;
    core::ScopedLauncherState state;
    state->UnixTime = kUnixTime;

    shell::FetchedOptions fetched;
    fetched.error_connect = size > 0 ? data[0] % 3 : 0;
    fetched.url = "http://127.0.0.1/_files/options.xml?1700000000";
    fetched.text.assign(reinterpret_cast<const char*>(data), size);

    bool logged = false;
    shell::OptionsSource source;
    source.executable_path = [] { return std::string(kExecutable); };
    // The line itself is dropped; that it came tells a document was read.
    source.log_info = [&logged](std::string_view line) {
        logged = true;
        Require(line.starts_with("Settings loaded: "));
    };
    shell::ApplyOptionsDocument(fetched, source);

    Require(state->g_ErrorConnect == fetched.error_connect);
    if (!logged) {
        // Not a document: no field was touched.
        Require(state->g_PatchURL.empty() && state->g_NameExeFile.empty() &&
                state->g_CurrentVersion.empty() && !state->g_IsBlock);
        return 0;
    }
    Require(EndsWith(state->g_PatchURL, kBuster) && EndsWith(state->g_ClientURL, kBuster) &&
            EndsWith(state->g_UpdaterFileURL, kBuster) && EndsWith(state->g_ChangeLogs, kBuster));
    Require(state->g_NameExeFile == "Game Updater.exe");
    Require(state->g_CurrentVersion == shell::kDefaultVersionText);
    return 0;
}
