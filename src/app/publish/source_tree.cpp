#include "app/publish/source_tree.h"

#include <algorithm>
#include <map>
#include <system_error>

#include "platform/ascii_case.h"

namespace kestrow::publish {
namespace {

// Not allowed in Windows file names, or not passed through by the launcher's
// archive address rule (only spaces are escaped there).
constexpr const char* kUnservable = "<>:\"|?*#%";

bool IsDeviceName(std::string stem) {
    for (char& c : stem) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// Why a Windows client could not hold this relative path, or empty.
std::string WindowsPathProblem(const std::string& relative) {
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string::npos) {
            end = relative.size();
        }
        const std::string segment = relative.substr(start, end - start);
        if (!segment.empty() && (segment.back() == '.' || segment.back() == ' ')) {
            return "ends a name with a dot or a space, which Windows drops";
        }
        if (IsDeviceName(segment.substr(0, segment.find('.')))) {
            return "uses a Windows device name";
        }
        start = end + 1;
    }
    return {};
}

}  // namespace

bool IsCatalogueSafeName(const std::string& name) {
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    const std::size_t n = name.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                return false;
            }
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

std::string ToCatalogueName(std::string relative) {
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return relative;
}

std::vector<SourceFile> ListSourceFiles(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    std::vector<SourceFile> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
    if (ec) {
        throw PublishError("cannot list \"" + root.string() + "\": " + ec.message());
    }
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) {
            throw PublishError("cannot list \"" + root.string() + "\": " + ec.message());
        }
        const fs::directory_entry& entry = *it;
        if (!entry.is_regular_file(ec)) {
            continue;  // directories are implied by their files; others are not content
        }
        SourceFile file;
        file.path = entry.path();
        file.relative = entry.path().lexically_relative(root).generic_string();
        if (file.relative.find('\\') != std::string::npos) {
            throw PublishError("file name holds a backslash: \"" + file.relative + "\"");
        }
        if (const auto bad = file.relative.find_first_of(kUnservable); bad != std::string::npos) {
            throw PublishError("file name \"" + file.relative + "\" holds '" + file.relative[bad] +
                               "', which a Windows client or the archive address cannot carry");
        }
        if (const std::string problem = WindowsPathProblem(file.relative); !problem.empty()) {
            throw PublishError("file name \"" + file.relative + "\" " + problem);
        }
        if (!IsCatalogueSafeName(file.relative)) {
            throw PublishError("file name is not valid UTF-8 text: \"" + file.relative + "\"");
        }
        file.catalogue_name = ToCatalogueName(file.relative);
        file.size = entry.file_size(ec);
        if (ec) {
            throw PublishError("cannot read the size of \"" + file.path.string() +
                               "\": " + ec.message());
        }
        files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.relative < b.relative; });
    // Windows folds letter case: two such names would be one file on a client.
    std::vector<std::pair<std::string, std::size_t>> folded;
    for (std::size_t i = 0; i < files.size(); ++i) {
        folded.emplace_back(platform::LowerAsciiText(files[i].relative), i);
    }
    std::sort(folded.begin(), folded.end());
    for (std::size_t i = 1; i < folded.size(); ++i) {
        if (folded[i].first == folded[i - 1].first) {
            throw PublishError("\"" + files[folded[i - 1].second].relative + "\" and \"" +
                               files[folded[i].second].relative + "\" differ only in letter case");
        }
    }
    return files;
}

void CheckArchiveNames(const std::vector<SourceFile>& files) {
    // Every file and every folder above it, folded; the first file that
    // brings a name in stands for it.
    std::map<std::string, const SourceFile*> occupied;
    for (const SourceFile& f : files) {
        const std::string folded = platform::LowerAsciiText(f.relative);
        occupied.emplace(folded, &f);
        for (std::size_t slash = folded.find('/'); slash != std::string::npos;
             slash = folded.find('/', slash + 1)) {
            occupied.emplace(folded.substr(0, slash), &f);
        }
    }
    std::string pairs;
    for (const SourceFile& f : files) {
        const auto it = occupied.find(platform::LowerAsciiText(f.relative) + ".lzma");
        if (it != occupied.end()) {
            pairs += pairs.empty() ? "" : "; ";
            pairs += "\"" + f.path.string() + "\" and \"" + it->second->path.string() + "\"";
        }
    }
    if (!pairs.empty()) {
        throw PublishError(pairs +
                           " cannot both be published: on a player's disk the archive of the "
                           "first (its name + \".lzma\") takes the place of the second");
    }
}

}  // namespace kestrow::publish
