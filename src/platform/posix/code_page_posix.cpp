#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "platform/code_page.h"
#include "platform/env.h"

namespace kestrow::platform {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

class Converter {
  public:
    Converter(const std::string& to, const std::string& from)
        : cd_(::iconv_open(to.c_str(), from.c_str())) {
        if (cd_ == kInvalid)
            throw ECodePageError("Cannot convert from the code page \"" + from +
                                 "\" to the code page \"" + to + "\"");
    }
    ~Converter() { ::iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in. skip(rest) tells how many bytes a sequence the
    // converter refuses takes up; each such sequence becomes replacement.
    template <typename Skip>
    std::string Run(std::string_view in, std::string_view replacement, Skip skip) {
        std::string out;
        char buffer[4096];
        // iconv takes char** but never writes through it.
        char* in_ptr = const_cast<char*>(in.data());
        std::size_t in_left = in.size();
        while (in_left > 0) {
            char* out_ptr = buffer;
            std::size_t out_left = sizeof buffer;
            const std::size_t rc = ::iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
            const int error = errno;
            out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
            if (rc != static_cast<std::size_t>(-1) || error == E2BIG)
                continue;
            out += replacement;
            if (error == EILSEQ) {
                const std::size_t n = skip(std::string_view(in_ptr, in_left));
                in_ptr += n;
                in_left -= n;
                ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            } else {
                in_left = 0;  // EINVAL: a sequence cut off at the end
            }
        }
        Flush(out, buffer, sizeof buffer);
        return out;
    }

  private:
    // The bytes that return a stateful encoding to its initial state.
    void Flush(std::string& out, char* buffer, std::size_t size) {
        for (;;) {
            char* out_ptr = buffer;
            std::size_t out_left = size;
            const std::size_t rc = ::iconv(cd_, nullptr, nullptr, &out_ptr, &out_left);
            out.append(buffer, static_cast<std::size_t>(out_ptr - buffer));
            if (rc != static_cast<std::size_t>(-1) || errno != E2BIG)
                return;
        }
    }

    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    iconv_t cd_;
};

// The bytes of one UTF-8 sequence, or 1 when it is malformed there.
std::size_t Utf8SequenceLength(std::string_view s) {
    const auto lead = static_cast<unsigned char>(s[0]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || length > s.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 1;
    }
    return length;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// The width of one code unit of an encoding.
std::size_t CodeUnit(std::string_view code_page) {
    if (StartsWithIgnoringCase(code_page, "UTF-16") || StartsWithIgnoringCase(code_page, "UCS-2"))
        return 2;
    if (StartsWithIgnoringCase(code_page, "UTF-32") || StartsWithIgnoringCase(code_page, "UCS-4"))
        return 4;
    return 1;
}

bool ConverterKnows(const std::string& code_page) {
    const iconv_t cd = ::iconv_open("UTF-8", code_page.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    ::iconv_close(cd);
    return true;
}

// The locale name that decides LC_CTYPE, as setlocale(LC_CTYPE, "") finds it.
std::string EnvironmentCtypeLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        std::string value = GetEnv(name);
        if (!value.empty())
            return value;
    }
    return "C";
}

class Locale {
  public:
    explicit Locale(const char* name) : locale_(::newlocale(LC_CTYPE_MASK, name, locale_t{})) {}
    ~Locale() {
        if (locale_ != locale_t{})
            ::freelocale(locale_);
    }
    Locale(const Locale&) = delete;
    Locale& operator=(const Locale&) = delete;
    locale_t get() const { return locale_; }

  private:
    locale_t locale_;
};

}  // namespace

std::string AnsiCodePage() {
    {
        const Locale environment("");
        if (environment.get() != locale_t{})
            return ::nl_langinfo_l(CODESET, environment.get());
    }
    // A locale that is not installed still names its character set
    // ("ru_RU.UTF-8"); that is what the user asked for.
    const std::string name = EnvironmentCtypeLocale();
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        const std::string charset = name.substr(dot + 1, name.find('@', dot) - dot - 1);
        if (!charset.empty() && ConverterKnows(charset))
            return charset;
    }
    const Locale c("C");
    return c.get() != locale_t{} ? ::nl_langinfo_l(CODESET, c.get()) : "ANSI_X3.4-1968";
}

std::string Utf8ToCodePage(std::string_view utf8, const std::string& code_page) {
    Converter converter(code_page, "UTF-8");
    // The default character, in the code page's own bytes.
    std::string question = converter.Run("?", "?", [](std::string_view) { return 1; });
    if (question.empty())
        question = "?";
    return converter.Run(utf8, question, Utf8SequenceLength);
}

std::string CodePageToUtf8(std::string_view bytes, const std::string& code_page) {
    Converter converter("UTF-8", code_page);
    const std::size_t unit = CodeUnit(code_page);
    return converter.Run(bytes, kReplacementCharacter, [unit](std::string_view rest) {
        return rest.size() < unit ? rest.size() : unit;
    });
}

std::string Utf8ToAnsi(std::string_view utf8) {
    try {
        return Utf8ToCodePage(utf8, AnsiCodePage());
    } catch (const ECodePageError&) {
        return Utf8ToCodePage(utf8, "UTF-8");
    }
}

std::string AnsiToUtf8(std::string_view bytes) {
    try {
        return CodePageToUtf8(bytes, AnsiCodePage());
    } catch (const ECodePageError&) {
        return CodePageToUtf8(bytes, "UTF-8");
    }
}

}  // namespace kestrow::platform
