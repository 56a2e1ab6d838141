#include "platform/code_page.h"

namespace kestrow::platform {

std::string TextFileToUtf8(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return CodePageToUtf8(bytes.substr(3), "UTF-8");
    if (bytes.starts_with("\xFF\xFE"))
        return CodePageToUtf8(bytes.substr(2), "UTF-16LE");
    if (bytes.starts_with("\xFE\xFF"))
        return CodePageToUtf8(bytes.substr(2), "UTF-16BE");
    return AnsiToUtf8(bytes);
}

}  // namespace kestrow::platform
