#include "platform/error.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>

namespace kestrow::platform {

std::string ExceptionClassName(const std::exception& e) {
    if (auto* ours = dynamic_cast<const Error*>(&e))
        return ours->ClassName();
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return "EOutOfMemory";
    const char* mangled = typeid(e).name();
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}

std::string ExceptionText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return ExceptionClassName(e) + ": " + e.what();
    } catch (...) {
        return "Exception: unknown exception";
    }
}

std::string SystemErrorMessage(int error_code) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* text = strerror_r(error_code, buf, sizeof buf);
    return text ? std::string(text) : std::string("Unknown error");
}

}  // namespace kestrow::platform
