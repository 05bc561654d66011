#include "sample_builders/disc_image.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "sample_builders/sample_builders.h"

namespace vorel::samples {
namespace fs = std::filesystem;

std::vector<std::uint8_t> QuietNoise(std::size_t bytes, std::uint32_t seed) {
    std::vector<std::uint8_t> out(bytes);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 8);
        if (b == 0x10 || b == 0x28) b ^= 1;
    }
    return out;
}

namespace {

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put(std::vector<std::uint8_t>& into, std::size_t at, const std::vector<std::uint8_t>& what) {
    if (into.size() < at + what.size()) into.resize(at + what.size());
    std::copy(what.begin(), what.end(), into.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

std::vector<PlacedImage> WriteDiscSource(const std::string& root) {
    std::vector<PlacedImage> placed;
    const fs::path base(root);
    auto file = [&](const std::string& discPath, std::size_t size, std::uint32_t seed,
                    const std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>>& images) {
        std::vector<std::uint8_t> bytes = QuietNoise(size, seed);
        for (const auto& [at, image] : images) {
            Put(bytes, at, image);
            placed.push_back({discPath, static_cast<std::int64_t>(at)});
        }
        WriteFile(base / discPath.substr(1), bytes);
    };
    file("/TEX/T003.TIM", 5000, 1, {{0x1F0, MakeTim(8, 16, 8, 1, 3)}});
    // Across a sector boundary of the file, and far in.
    file("/BIG/DATA.BIN", 600000, 2,
         {{2040, MakeTim(9, 32, 16, 1, 4)}, {100000, MakeDib(8, 20, 10)}, {300001, MakeTim(2, 24, 12, 1, 5)}});
    file("/D1/D2/D3/D4/D5/D6/D7/D8/D9/D10/DEEP.BIN", 3000, 3, {{7, MakeTim(8, 8, 8, 1, 6)}});
    file("/README", 100, 4, {});
    file("/EMPTY.DAT", 0, 5, {});
    file("/TEX/SUB/Long name file.txt", 3, 6, {});
    return placed;
}

bool MakeIso(const std::string& root, const std::string& iso, const std::string& options, const std::string& more) {
    const std::string command =
        "genisoimage -quiet " + options + " -o '" + iso + "' '" + root + "' " + more + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::vector<IsoinfoEntry> ListWithIsoinfo(const std::string& iso, bool joliet, bool& ok) {
    return ListTreeWithIsoinfo(iso, joliet ? "-J" : "", ok);
}

std::vector<IsoinfoEntry> ListTreeWithIsoinfo(const std::string& iso, const std::string& tree, bool& ok) {
    std::vector<IsoinfoEntry> entries;
    ok = false;
    const std::string command = "isoinfo -l " + tree + " -i '" + iso + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return entries;
    // "----------   0    0    0            5000 Dec  7 2026 [     34 00]  T003.TIM;1 "
    const std::regex line(R"(^(\S)\S{9}\s+\d+\s+\d+\s+\d+\s+(\d+)\s+\S+\s+\d+\s+\d+\s+\[\s*(\d+)\s+\d+\]\s\s(.*)$)");
    std::string folder;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        std::string text(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.starts_with("Directory listing of ")) {
            folder = text.substr(21);
            if (folder.ends_with('/')) folder.pop_back();
            ok = true;
            continue;
        }
        std::smatch m;
        if (!std::regex_match(text, m, line) || m[1] == "d") continue;
        std::string name = m[4];
        if (name.ends_with(' ')) name.pop_back();
        if (name == "." || name == "..") continue;  // a moved folder's own entries are not always marked as folders
        if (const auto semicolon = name.rfind(';'); semicolon != std::string::npos) name.resize(semicolon);
        if (name.size() > 1 && name.back() == '.') name.pop_back();
        entries.push_back({folder + "/" + name, std::stoll(m[3]), std::stoll(m[2])});
    }
    ok = ::pclose(pipe) == 0 && ok;
    return entries;
}

}  // namespace vorel::samples
