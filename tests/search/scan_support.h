// A host that records what the scanners ask of it, and files made for a test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "search/search_host.h"
#include "search/search_state.h"

namespace vorel::test {

struct OpenedDoc {
    std::int32_t number = 0;
    std::int32_t paletteIndex = 0;
    std::int32_t paletteCount = 0;
    std::int32_t sourceType = 0;
    std::uint32_t timFlag = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t fileOffset = 0;
    std::vector<std::uint8_t> hit;  // the hit's bytes as the document saw them
};

class RecordingHost : public ISearchHost {
public:
    void CreateProgress() override { log.push_back("create"); }
    void SetProgressLabel(std::string_view label) override { log.push_back("label " + std::string(label)); }
    bool CheckCancel() override;
    void StepProgress() override { ++steps; }
    void DestroyProgress() override { log.push_back("destroy"); }
    bool AskYesNo(std::string_view question) override;
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override;

    std::vector<std::string> log;
    std::vector<OpenedDoc> docs;
    int checks = 0;
    int steps = 0;
    std::vector<int> cancelAtCheck;  // 1-based check numbers at which Cancel is pressed
    std::vector<bool> answers;       // answers to the cancel question, in order
    std::vector<std::string> questions;
};

// A file in a fresh temporary folder, removed with the object.
class TempFile {
public:
    explicit TempFile(const std::vector<std::uint8_t>& bytes, const std::string& name = "data.bin");
    ~TempFile();
    const std::string& Path() const { return path_; }

private:
    std::filesystem::path dir_;
    std::string path_;
};

// Noise that holds neither a TIM id (10 00 00 00) nor a bitmap header size (28 00 00 00).
std::vector<std::uint8_t> Filler(std::size_t bytes, std::uint32_t seed = 7);

// Copies `what` into `into` at `offset`, growing `into` when needed.
void Place(std::vector<std::uint8_t>& into, std::size_t offset, const std::vector<std::uint8_t>& what);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace vorel::test
