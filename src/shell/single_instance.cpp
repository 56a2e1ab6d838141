#include "shell/single_instance.h"

#include <exception>
#include <map>
#include <memory>
#include <mutex>

#include "log/app_logger.h"
#include "platform/env.h"
#include "platform/single_instance.h"
#include "update/text_lower.h"

namespace kestrow::shell {
namespace {

// Every guard taken, by name, held until the process ends: a second name
// must not let go of the first, as a second mutex handle would not.
std::mutex g_guard_mutex;
std::map<std::string, std::unique_ptr<platform::SingleInstanceLock>> g_guards;

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

}  // namespace

std::string MutexNameFor(const std::string& executable_path) {
    std::size_t slash = executable_path.find_last_of(platform::kPathSeparator);
    std::string name =
        slash == std::string::npos ? executable_path : executable_path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.empty())
        return name;
    std::size_t first =
        std::min(Utf8SequenceLength(static_cast<unsigned char>(name[0])), name.size());
    return name.substr(0, first) + update::LowerCaseUtf8(std::string_view(name).substr(first));
}

bool IsRunFirst(const std::string& mutex_name) {
    std::lock_guard lock(g_guard_mutex);
    // The owner asking again owns it already, as with a mutex it holds.
    if (g_guards.contains(mutex_name))
        return true;
    try {
        auto guard = std::make_unique<platform::SingleInstanceLock>(mutex_name);
        if (!guard->Acquired())
            return false;
        g_guards.emplace(mutex_name, std::move(guard));
    } catch (const std::exception& e) {
        // Better a second launcher than none at all.
        log::LogWarn(std::string("Single-instance guard unavailable: ") + e.what());
    }
    return true;
}

bool IsRunFirst() {
    return IsRunFirst(MutexNameFor(platform::ExecutablePath()));
}

}  // namespace kestrow::shell
