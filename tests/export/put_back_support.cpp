#include "put_back_support.h"

#include <filesystem>

#include "docview/hit_to_dib.h"
#include "search/scan_support.h"
#include "search/search_run.h"
#include "search/settings.h"

namespace vorel::put_back_test {
namespace {

class KeepingHost : public test::RecordingHost {
  public:
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override {
        FoundImage image;
        image.state = state;
        image.state.m_pHitData.assign(state.Hit().begin(), state.Hit().end());
        image.state.m_nHitOffset = 0;
        image.record = RecordOfHit(state, path);
        image.name = std::filesystem::path(path).filename().string() + " #" + std::to_string(state.m_nHitCount) +
                     " palette " + std::to_string(state.m_nPaletteIndex);
        found.push_back(std::move(image));
        return &found.back();
    }
    std::vector<FoundImage> found;
};

}  // namespace

std::vector<FoundImage> SearchImages(const std::string& path, int rawSectors) {
    MemorySettingsStore store;
    Write(store, settings::kRawSectors, rawSectors);
    Write(store, settings::kSearchType, 2);
    Write(store, settings::kPaletteImage, 1);
    SearchState state;
    KeepingHost host;
    host.found.reserve(4096);  // the documents' addresses stay put
    RunSearchScans(state, host, store, path);
    return std::move(host.found);
}

std::vector<FoundImage> EveryTestImage() {
    auto all = SearchImages(std::string(VOREL_SOURCE_DIR) + "/samples/sample.bin");
    for (const char* name : {"ball16c", "lamelotl16c", "bungirl", "bunpattern"}) {
        auto more = SearchImages(std::string(VOREL_TEST_DATA_DIR) + "/corpus/" + name + ".tim");
        for (auto& image : more) all.push_back(std::move(image));
    }
    return all;
}

PictureRgba PictureOfHit(const SearchState& state) {
    const Dib dib = ConvertHitToDib(state);
    PictureRgba p;
    if (dib.IsNull()) return p;
    p.width = dib.Width();
    p.height = dib.Height();
    const int bits = dib.BitCount();
    if (bits != 24) {
        for (std::size_t i = 0; i < dib.ColorCount(); ++i) {
            const std::uint8_t* q = dib.ColorEntry(i);
            p.palette.push_back({q[2], q[1], q[0], 255});
        }
    }
    for (int y = 0; y < p.height; ++y) {
        const auto row = dib.StoredRow(p.height - 1 - y);
        for (int x = 0; x < p.width; ++x) {
            if (bits == 24) {
                p.pixels.insert(p.pixels.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x], 255});
                continue;
            }
            unsigned index = 0;
            if (bits == 8) index = row[x];
            if (bits == 4) index = (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
            if (bits == 1) index = (row[x / 8] >> (7 - x % 8)) & 1;
            const auto& c = p.palette.at(index);
            p.pixels.insert(p.pixels.end(), c.begin(), c.end());
        }
    }
    return p;
}

}  // namespace vorel::put_back_test
