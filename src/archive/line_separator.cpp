#include "archive/line_separator.h"

namespace kestrow::archive {

std::vector<std::string> SeparateLine(std::string_view Text, std::string_view Separator) {
    std::vector<std::string> pieces;
    std::string_view rest = Text;
    for (;;) {
        // An empty separator is found at position 0, so it never splits.
        const std::size_t at = rest.find(Separator);
        if (at == std::string_view::npos || at == 0) {
            pieces.emplace_back(rest);
            return pieces;
        }
        pieces.emplace_back(rest.substr(0, at));
        rest.remove_prefix(at + Separator.size());
    }
}

}  // namespace kestrow::archive
