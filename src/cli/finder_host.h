// The finder's side of a search: it reports each image a document would show,
// and draws a progress bar on a terminal.
#pragma once

#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "disc/disc_map.h"
#include "image/dib.h"
#include "search/search_host.h"
#include "search/settings.h"

namespace vorel {

struct FoundImage {
    std::string title;
    int number = 0;
    int palette = 0;  // 0-based
    std::int64_t offset = 0;
    std::string kind;  // TIM4 TIM8 TIM16 TIM24 BMP1 BMP4 BMP8 BMP24
    int width = 0;
    int height = 0;
    int palettes = 1;
    std::string discFile;         // "/TEX/T003.TIM", empty outside every disc file
    std::int64_t fileOffset = -1;  // of the first byte inside discFile
};

class FinderHost : public ISearchHost {
public:
    // `onImage` receives each image with its DIB and its hit as soon as it is found.
    using ImageSink = std::function<void(const FoundImage&, const Dib&, const SearchState&)>;
    FinderHost(const ISettingsStore& store, bool showProgress, ImageSink onImage);

    void CreateProgress() override;
    void SetProgressLabel(std::string_view label) override;
    bool CheckCancel() override;
    void StepProgress() override;
    void DestroyProgress() override;
    bool AskYesNo(std::string_view question) override;
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override;

    int ImagesFound() const { return imagesFound_; }

    // The disc files of the file being searched (null: none); each image is
    // named after the one holding it and counted for it.
    void SetDiscMap(const DiscMap* map);
    const std::vector<int>& ImagesPerDiscFile() const { return imagesPerFile_; }

    // Set from the SIGINT handler: the next progress point ends the scan, and so
    // does the first point of every later scan.
    static volatile std::sig_atomic_t cancelRequested;

private:
    void DrawBar() const;

    const ISettingsStore& store_;
    bool showProgress_;
    ImageSink onImage_;
    std::string label_;
    int steps_ = 0;
    int imagesFound_ = 0;
    FoundImage last_;
    const DiscMap* discMap_ = nullptr;
    std::vector<int> imagesPerFile_;
};

std::string ImageKind(const SearchState& state, const Dib& dib);

}  // namespace vorel
