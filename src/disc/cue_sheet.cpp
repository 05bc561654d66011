#include "disc/cue_sheet.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

namespace vorel {
namespace {

namespace fs = std::filesystem;

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Splits a line into words; a double-quoted word may hold spaces.
std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        std::string word;
        if (line[i] == '"') {
            const std::size_t end = line.find('"', i + 1);
            const std::size_t stop = end == std::string_view::npos ? line.size() : end;
            word = std::string(line.substr(i + 1, stop - i - 1));
            i = stop == line.size() ? stop : stop + 1;
        } else {
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
            word = std::string(line.substr(start, i - start));
        }
        words.push_back(std::move(word));
    }
    return words;
}

// Track modes whose sectors hold user data only, which the file is read plainly for.
bool IsCookedMode(const std::string& mode) {
    return mode == "MODE1/2048" || mode == "MODE2/2048" || mode == "MODE2/2336" || mode == "CDI/2336";
}

// Sheets made on Windows write folders with backslashes and names in any case.
fs::path Resolve(const fs::path& folder, std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    fs::path named(name);
    // A drive letter means nothing here: the file is looked for next to the sheet.
    if (name.size() > 1 && name[1] == ':') named = named.filename();
    const fs::path path = named.is_absolute() ? named : folder / named;
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    const fs::path parent = path.parent_path();
    const std::string wanted = Upper(path.filename().string());
    for (fs::directory_iterator it(parent.empty() ? fs::path(".") : parent, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (Upper(it->path().filename().string()) == wanted) return it->path();
    }
    return path;
}

// "mm:ss:ff" (75 frames a second) as a count of sectors; -1 when it is not one.
std::int64_t ParseMsf(const std::string& text) {
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%3d:%2d:%2d%c", &minutes, &seconds, &frames, &tail) != 3) return -1;
    if (minutes < 0 || seconds < 0 || seconds >= 60 || frames < 0 || frames >= 75) return -1;
    return (std::int64_t{minutes} * 60 + seconds) * 75 + frames;
}

}  // namespace

bool IsCueSheetName(std::string_view path) {
    return path.size() >= 4 && Upper(path.substr(path.size() - 4)) == ".CUE";
}

std::vector<CueFile> ParseCueSheet(std::string_view text) {
    std::vector<CueFile> files;
    bool anyTrack = false;
    bool anyData = false;
    bool anyRawData = false;
    bool inDataTrack = false;      // the TRACK line before says data
    bool dataStartKnown = false;   // the file's first data track's INDEX 01 was met
    const auto close = [&]() {
        if (files.empty()) return;
        CueFile& f = files.back();
        f.audioOnly = anyTrack && !anyData;
        f.raw = !anyData || anyRawData;
    };
    // Sheets saved by Windows editors may begin with a UTF-8 byte-order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::size_t start = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string> words = Words(text.substr(start, end - start));
        start = end + 1;
        if (words.empty()) continue;
        const std::string keyword = Upper(words[0]);
        if (keyword == "FILE" && words.size() >= 2) {
            close();
            // FILE name TYPE; an unquoted name with spaces is everything between.
            std::string name = words[1];
            for (std::size_t i = 2; i + 1 < words.size(); ++i) name += " " + words[i];
            files.push_back({name, true, false});
            anyTrack = anyData = anyRawData = inDataTrack = dataStartKnown = false;
        } else if (keyword == "TRACK" && words.size() >= 3 && !files.empty()) {
            const std::string mode = Upper(words[2]);
            anyTrack = true;
            inDataTrack = mode != "AUDIO";
            if (!inDataTrack) continue;
            anyData = true;
            if (!IsCookedMode(mode)) anyRawData = true;
        } else if (keyword == "INDEX" && words.size() >= 3 && inDataTrack && !dataStartKnown && words[1] == "01") {
            // INDEX 00 starts the pregap; the track itself starts at INDEX 01.
            const std::int64_t at = ParseMsf(words[2]);
            if (at < 0) continue;
            files.back().dataTrackStart = at;
            dataStartKnown = true;
        }
    }
    close();
    return files;
}

std::vector<SearchTarget> PlanSearch(const std::string& path) {
    if (!IsCueSheetName(path)) return {{path}};
    const auto problem = [&](SearchProblem p) { return std::vector<SearchTarget>{{path, p}}; };
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return problem(SearchProblem::kSheetUnreadable);
    const auto size = fs::file_size(path, ec);
    if (ec) return problem(SearchProblem::kSheetUnreadable);
    if (size > static_cast<std::uintmax_t>(kMaxCueSheetBytes)) return problem(SearchProblem::kSheetTooLarge);
    std::ifstream in(path, std::ios::binary);
    if (!in) return problem(SearchProblem::kSheetUnreadable);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.gcount() != static_cast<std::streamsize>(text.size())) return problem(SearchProblem::kSheetUnreadable);
    // A text sheet holds no zero bytes; a binary file named .cue is not a sheet.
    if (text.find('\0') != std::string::npos) return problem(SearchProblem::kSheetNamesNoFile);

    const fs::path sheet = fs::absolute(path, ec);
    std::vector<SearchTarget> targets;
    // A file the sheet names again is searched once: a second search would only
    // open every picture twice (and a hostile sheet could repeat one name for ever).
    std::set<fs::path> planned;
    bool anyFile = false;
    const std::vector<CueFile> files = ParseCueSheet(text);
    // Each name costs a look through its folder and, in the window, a search or a
    // message of its own: a sheet naming thousands would keep the user clicking.
    if (files.size() > kMaxCueSheetFiles) return problem(SearchProblem::kSheetTooManyFiles);
    for (const CueFile& file : files) {
        if (file.audioOnly) continue;
        anyFile = true;
        const fs::path resolved = Resolve(fs::path(path).parent_path(), file.name);
        fs::path same = fs::weakly_canonical(resolved, ec);
        if (ec) same = resolved.lexically_normal();
        if (!planned.insert(same).second) continue;
        SearchTarget t{resolved.string(), SearchProblem::kNone, true,
                       file.raw ? SectorReading::kRaw : SectorReading::kPlain, file.dataTrackStart};
        if (fs::equivalent(resolved, sheet, ec)) {
            t.problem = SearchProblem::kNamesItself;
        } else if (!fs::is_regular_file(resolved, ec)) {
            t.problem = SearchProblem::kFileMissing;
        }
        targets.push_back(std::move(t));
    }
    if (!anyFile) return problem(SearchProblem::kSheetNamesNoFile);
    return targets;
}

}  // namespace vorel
