#include "update/run_fixture.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/crc32.h"
#include "archive/lzma_fixtures.h"
#include "core/status_texts.h"
#include "platform/error.h"
#include "platform/files.h"
#include "update/download_worker.h"

namespace kestrow::update::runtest {

namespace fs = std::filesystem;

std::vector<std::string> LoggedRun::Logs() const {
    const std::lock_guard lock(mutex_);
    return logs_;
}

bool LoggedRun::HasLine(std::string_view prefix) const {
    return !Line(prefix).empty();
}

std::string LoggedRun::Line(std::string_view prefix) const {
    const std::lock_guard lock(mutex_);
    for (const auto& line : logs_) {
        if (std::string_view(line).starts_with(prefix)) {
            return line;
        }
    }
    return {};
}

void LoggedRun::WriteLog(LogLevel level, std::string_view text) {
    const char* tag = level == LogLevel::Info   ? "INFO "
                      : level == LogLevel::Warn ? "WARN "
                                                : "ERROR ";
    std::string line = tag + std::string(text);
    {
        const std::lock_guard lock(mutex_);
        logs_.push_back(line);
    }
    if (on_log) {
        on_log(line);
    }
}

void LoggedRun::WriteException(std::string_view context, std::exception_ptr error) {
    std::string text = std::string(context) + ": ";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        text += platform::ExceptionClassName(e) + ": " + e.what();
    } catch (...) {
        text += "unknown exception";
    }
    WriteLog(LogLevel::Error, text);
}

std::string ArchiveOf(std::string_view data) {
    return test::MakeArchive(data, data.size(), false);
}

std::string StatusTextOf(int id, int language) {
    return core::StatusText(id, language, 0).value_or("");
}

RunFixture::RunFixture() : game(dir.File("game") + "/") {
    fs::create_directories(game);
    state->language = 1;
    state->UnixTime = 1700000000;
    state->g_ClientURL = server.Url("/clientlist.xml") + "?1700000000";
    state->g_PatchURL = server.Url("/patchlist.xml") + "?1700000000";
    state->g_ClientURL_Folder = server.Url("/client/");
    state->g_PatchURL_Folder = server.Url("/patch/");
}

void RunFixture::Serve(const std::vector<ServedFile>& files) {
    std::string client = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<list>\n";
    std::string patch = client;
    for (const auto& f : files) {
        const std::string crc = archive::CrcText(
            archive::UpdateCRC32(0xFFFFFFFFu, f.data.data(), f.data.size()) ^ 0xFFFFFFFFu);
        const std::string size = f.size.value_or(std::to_string(f.data.size()));
        (f.kind == "1" ? client : patch) += "  <archive filename=\"" + f.name + "\" original=\"" +
                                            crc + "\" size=\"" + size + "\"/>\n";
        const std::string path =
            (f.kind == "1" ? "/client/" : "/patch/") + EncodeUrl(f.name) + ".lzma";
        const test::FaultReply reply = f.reply.value_or(test::FaultReply::Ok(ArchiveOf(f.data)));
        server.On(path, reply);
        // The client sends bytes above 0x7F percent-encoded (lower-case hex).
        std::string encoded;
        for (const unsigned char c : path) {
            static const char* kHex = "0123456789abcdef";
            if (c < 0x80) {
                encoded += static_cast<char>(c);
            } else {
                encoded += '%';
                encoded += kHex[c >> 4];
                encoded += kHex[c & 15];
            }
        }
        server.On(encoded, reply);
    }
    server.On("/clientlist.xml", test::FaultReply::Ok(client + "</list>\n"));
    server.On("/patchlist.xml", test::FaultReply::Ok(patch + "</list>\n"));
}

std::string RunFixture::HostPath(const std::string& name) const {
    return game + platform::GameToHostPath(name);
}

void RunFixture::Put(const std::string& name, const std::string& data) {
    test::WriteFile(HostPath(name), data);
}

std::optional<std::string> RunFixture::Read(const std::string& name) const {
    if (!platform::FileExists(HostPath(name))) {
        return std::nullopt;
    }
    return test::ReadFile(HostPath(name));
}

}  // namespace kestrow::update::runtest
