#include "search/scan_support.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <stdlib.h>

#include <gtest/gtest.h>

namespace vorel::test {

bool RecordingHost::CheckCancel() {
    ++checks;
    return std::find(cancelAtCheck.begin(), cancelAtCheck.end(), checks) != cancelAtCheck.end();
}

bool RecordingHost::AskYesNo(std::string_view question) {
    questions.emplace_back(question);
    if (answers.empty()) return true;
    const bool answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

DocumentRef RecordingHost::OpenDocument(const SearchState& state, std::string_view) {
    OpenedDoc doc;
    doc.number = state.m_nHitCount;
    doc.paletteIndex = state.m_nPaletteIndex;
    doc.paletteCount = state.m_nPaletteCount;
    doc.sourceType = state.m_nSourceType;
    doc.timFlag = state.m_nTimFlag;
    doc.width = state.m_nWidth;
    doc.height = state.m_nHeight;
    doc.fileOffset = state.m_nHitFileOffset;
    const auto hit = state.Hit();
    doc.hit.assign(hit.begin(), hit.end());
    docs.push_back(std::move(doc));
    return &docs.back();
}

TempFile::TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    std::string pattern = (std::filesystem::temp_directory_path() / "vorel-test-XXXXXX").string();
    dir_ = ::mkdtemp(pattern.data());
    path_ = (dir_ / name).string();
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << path_;
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::vector<std::uint8_t> Filler(std::size_t bytes, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> out(bytes);
    for (auto& b : out) {
        b = static_cast<std::uint8_t>(random());
        // Keep the two first bytes of any candidate out of the noise.
        if (b == 0x10 || b == 0x28) b = 0x11;
    }
    return out;
}

void Place(std::vector<std::uint8_t>& into, std::size_t offset, const std::vector<std::uint8_t>& what) {
    if (into.size() < offset + what.size()) into.resize(offset + what.size());
    std::copy(what.begin(), what.end(), into.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace vorel::test
