#include "changelog/text_decoding.h"

#include <unicode/ucnv.h>

#include <array>
#include <memory>

namespace kestrow::changelog {
namespace {

constexpr std::size_t kMaxCharsetName = 40;

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

// The name comes from the server. The converter library also takes file
// paths and option suffixes in a name, so only a plain token goes to it.
bool IsCharsetToken(std::string_view name) {
    if (name.empty() || name.size() > kMaxCharsetName)
        return false;
    for (char ch : name) {
        const bool ok = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                        (ch >= '0' && ch <= '9') || ch == '-' || ch == '_' || ch == '.' ||
                        ch == ':' || ch == '+';
        if (!ok)
            return false;
    }
    return true;
}

std::u16string Latin1(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    return out;
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Reads a quoted-string starting after its opening quote; rest is advanced past it.
std::string QuotedValue(std::string_view& rest) {
    std::string value;
    std::size_t i = 0;
    while (i < rest.size() && rest[i] != '"') {
        if (rest[i] == '\\' && i + 1 < rest.size())
            ++i;
        value.push_back(rest[i]);
        ++i;
    }
    rest.remove_prefix(i < rest.size() ? i + 1 : i);
    return value;
}

}  // namespace

std::string CharsetOf(std::string_view content_type) {
    const std::size_t first = content_type.find(';');
    if (first == std::string_view::npos)
        return {};
    std::string_view rest = content_type.substr(first + 1);
    const auto skip_to_next = [&rest] {
        const std::size_t semicolon = rest.find(';');
        rest =
            semicolon == std::string_view::npos ? std::string_view{} : rest.substr(semicolon + 1);
    };
    while (!rest.empty()) {
        const std::size_t stop = rest.find_first_of("=;");
        if (stop == std::string_view::npos)
            return {};
        const std::string_view name = Trim(rest.substr(0, stop));
        const bool has_value = rest[stop] == '=';
        rest.remove_prefix(stop + 1);
        if (!has_value)
            continue;
        while (!rest.empty() && IsSpace(rest.front()))
            rest.remove_prefix(1);
        std::string value;
        if (!rest.empty() && rest.front() == '"') {
            rest.remove_prefix(1);
            value = QuotedValue(rest);
            skip_to_next();
        } else {
            value = std::string(Trim(rest.substr(0, rest.find(';'))));
            skip_to_next();
        }
        if (EqualsNoCase(name, "charset"))
            return value;
    }
    return {};
}

std::u16string DecodeText(std::string_view bytes, std::string_view charset) {
    if (!IsCharsetToken(charset))
        return Latin1(bytes);
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open(std::string(charset).c_str(), &status));
    if (U_FAILURE(status) || !converter)
        return Latin1(bytes);

    std::u16string out;
    out.reserve(bytes.size());
    std::array<UChar, 4096> buffer;
    const char* source = bytes.data();
    const char* const end = bytes.data() + bytes.size();
    for (;;) {
        UChar* target = buffer.data();
        status = U_ZERO_ERROR;
        ucnv_toUnicode(converter.get(), &target, buffer.data() + buffer.size(), &source, end,
                       nullptr, true, &status);
        out.append(buffer.data(), static_cast<std::size_t>(target - buffer.data()));
        if (status != U_BUFFER_OVERFLOW_ERROR)
            break;
    }
    if (U_FAILURE(status))
        return Latin1(bytes);
    return out;
}

std::u16string DecodeBody(std::string_view body, std::string_view content_type) {
    return DecodeText(body, CharsetOf(content_type));
}

}  // namespace kestrow::changelog
