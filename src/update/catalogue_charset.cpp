#include "update/catalogue_charset.h"

#include <unicode/ucnv.h>

#include <cctype>
#include <cstdint>
#include <iterator>
#include <memory>

namespace kestrow::update {

namespace {

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The value of name="..." or name='...' (also unquoted, up to ';', a blank
// or '?'); empty when absent.
std::string ParameterValue(std::string_view text, std::string_view name) {
    const std::string lower = LowerAscii(text);
    for (std::size_t pos = lower.find(name); pos != std::string::npos;
         pos = lower.find(name, pos + 1)) {
        std::size_t i = pos + name.size();
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i >= text.size() || text[i] != '=')
            continue;
        ++i;
        while (i < text.size() && text[i] == ' ')
            ++i;
        if (i < text.size() && (text[i] == '"' || text[i] == '\'')) {
            const std::size_t end = text.find(text[i], i + 1);
            return end == std::string_view::npos ? std::string()
                                                 : std::string(text.substr(i + 1, end - i - 1));
        }
        std::size_t end = i;
        while (end < text.size() && text[end] != ';' && text[end] != ' ' && text[end] != '?')
            ++end;
        return std::string(text.substr(i, end - i));
    }
    return {};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsUtf8Name(std::string_view charset) {
    const std::string lower = LowerAscii(charset);
    return lower == "utf-8" || lower == "utf8";
}

struct CloseConverter {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, CloseConverter>;

}  // namespace

std::string CatalogueCharset(std::string_view body, std::string_view content_type) {
    if (StartsWith(body, "\xEF\xBB\xBF"))
        return "UTF-8";
    if (StartsWith(body, "\xFF\xFE"))
        return "UTF-16LE";
    if (StartsWith(body, "\xFE\xFF"))
        return "UTF-16BE";
    if (std::string charset = ParameterValue(content_type, "charset"); !charset.empty())
        return charset;
    if (StartsWith(body, "<?xml")) {
        const std::string_view declaration = body.substr(0, body.find("?>"));
        if (std::string encoding = ParameterValue(declaration, "encoding"); !encoding.empty())
            return encoding;
    }
    return "UTF-8";
}

std::string CatalogueBodyToUtf8(std::string body, std::string_view content_type) {
    const std::string charset = CatalogueCharset(body, content_type);
    std::size_t bom = 0;
    if (StartsWith(body, "\xEF\xBB\xBF"))
        bom = 3;
    else if (StartsWith(body, "\xFF\xFE") || StartsWith(body, "\xFE\xFF"))
        bom = 2;
    if (IsUtf8Name(charset)) {
        body.erase(0, bom);
        return body;
    }
    UErrorCode status = U_ZERO_ERROR;
    const Converter from(ucnv_open(charset.c_str(), &status));
    const Converter to(U_SUCCESS(status) ? ucnv_open("UTF-8", &status) : nullptr);
    if (U_FAILURE(status))
        return body;

    // Converted in pieces, so a large catalogue is never held three times.
    std::string out;
    out.reserve(body.size() + body.size() / 2);
    const char* source = body.data() + bom;
    const char* const source_end = body.data() + body.size();
    char buffer[1 << 16];
    UChar pivot[1 << 12];
    UChar* pivot_source = pivot;
    UChar* pivot_target = pivot;
    bool first = true;
    for (;;) {
        char* target = buffer;
        status = U_ZERO_ERROR;
        ucnv_convertEx(to.get(), from.get(), &target, buffer + sizeof buffer, &source, source_end,
                       pivot, &pivot_source, &pivot_target, pivot + std::size(pivot), first, true,
                       &status);
        first = false;
        out.append(buffer, static_cast<std::size_t>(target - buffer));
        if (status == U_BUFFER_OVERFLOW_ERROR)
            continue;
        if (U_FAILURE(status))
            return body;  // undecodable: parsed as it came, like an undeclared body
        return out;
    }
}

}  // namespace kestrow::update
