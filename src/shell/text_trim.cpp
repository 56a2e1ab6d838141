#include "shell/text_trim.h"

namespace kestrow::shell {

std::string TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

}  // namespace kestrow::shell
