#include "shell/options_source.h"

#include "platform/env.h"

#ifndef KESTROW_OPTIONS_URL
#error "KESTROW_OPTIONS_URL must be defined by the build"
#endif
#ifndef KESTROW_OPTIONS_FALLBACK_URL
#error "KESTROW_OPTIONS_FALLBACK_URL must be defined by the build"
#endif

namespace kestrow::shell {
namespace {

std::string FromEnvironmentOr(const char* name, const char* built_in) {
    std::string value = platform::GetEnv(name);
    return value.empty() ? std::string(built_in) : value;
}

}  // namespace

OptionsSource DefaultOptionsSource() {
    OptionsSource source;
    source.primary_url = FromEnvironmentOr("KESTROW_OPTIONS_URL", KESTROW_OPTIONS_URL);
    source.fallback_url =
        FromEnvironmentOr("KESTROW_OPTIONS_FALLBACK_URL", KESTROW_OPTIONS_FALLBACK_URL);
    return source;
}

}  // namespace kestrow::shell
