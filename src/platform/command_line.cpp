#include "platform/command_line.h"

namespace kestrow::platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> SplitWindowsCommandLine(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = line.size();
    std::size_t probe = 0;
    while (probe < n && IsBlank(line[probe]))
        ++probe;
    if (probe == n)
        return words;

    // The program: no escapes at all.
    std::string program;
    if (line[0] == '"') {
        i = 1;
        while (i < n && line[i] != '"')
            program.push_back(line[i++]);
        if (i < n)
            ++i;  // the closing quote
    } else {
        while (i < n && !IsBlank(line[i]))
            program.push_back(line[i++]);
    }
    words.push_back(std::move(program));

    while (i < n && IsBlank(line[i]))
        ++i;
    if (i == n)
        return words;

    std::string word;
    int quotes = 0;  // quote state: 1 inside a quoted part
    std::size_t backslashes = 0;
    while (i < n) {
        const char c = line[i];
        if (IsBlank(c) && quotes == 0) {
            words.push_back(std::move(word));
            word.clear();
            backslashes = 0;
            while (i < n && IsBlank(line[i]))
                ++i;
            if (i == n)
                return words;
            continue;
        }
        if (c == '\\') {
            word.push_back(c);
            ++backslashes;
            ++i;
            continue;
        }
        if (c == '"') {
            // Half of the backslashes before a quote stay; an odd one escapes it.
            word.resize(word.size() - (backslashes + 1) / 2);
            if (backslashes % 2 == 1) {
                word.push_back('"');
            } else {
                ++quotes;
            }
            backslashes = 0;
            ++i;
            for (; i < n && line[i] == '"'; ++i) {
                if (++quotes == 3) {
                    word.push_back('"');
                    quotes = 0;
                }
            }
            if (quotes == 2)
                quotes = 0;
            continue;
        }
        word.push_back(c);
        backslashes = 0;
        ++i;
    }
    words.push_back(std::move(word));
    return words;
}

}  // namespace kestrow::platform
