// A found image read again from its record is the image the search showed, in a
// plain file and in a raw CD image; a changed file or changed bytes are told apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "docview/hit_to_dib.h"
#include "sample_builders/cd_sectors.h"
#include "search/image_record.h"
#include "search/search_run.h"
#include "search/settings.h"
#include "search/scan_support.h"

namespace vorel {
namespace {

using test::TempFile;

struct Found {
    ImageRecord record;
    std::vector<std::uint8_t> dib;
};

std::vector<std::uint8_t> DibBytes(const SearchState& state) {
    const Dib dib = ConvertHitToDib(state);
    return dib.IsNull() ? std::vector<std::uint8_t>{}
                        : std::vector<std::uint8_t>(dib.Data(), dib.Data() + dib.AllocatedSize());
}

class RecordingDibHost : public test::RecordingHost {
public:
    DocumentRef OpenDocument(const SearchState& state, std::string_view path) override {
        found.push_back({RecordOfHit(state, path), DibBytes(state)});
        return &found.back();
    }
    std::vector<Found> found;
};

std::vector<Found> SearchAll(const std::string& path, bool paletteImages) {
    MemorySettingsStore store;
    Write(store, settings::kSearchType, 2);
    Write(store, settings::kPaletteImage, paletteImages ? 1 : 0);
    SearchState state;
    RecordingDibHost host;
    RunSearchScans(state, host, store, path);
    return host.found;
}

std::vector<std::uint8_t> SampleBytes() {
    return test::ReadFileBytes(std::string(VOREL_SOURCE_DIR) + "/samples/sample.bin");
}

TEST(ImageRecordTest, EveryImageReadAgainGivesTheSamePictureInPlainAndRawFiles) {
    const auto sample = SampleBytes();
    ASSERT_FALSE(sample.empty());
    // The raw image puts a Form 2 sector after every third data sector, so stream and file offsets part.
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool raw;
    } files[] = {
        {"plain", sample, false},
        {"raw", samples::WrapRaw(sample, {samples::SectorKind::kMode2Form1, 3, 2, 0}), true},
    };
    for (const auto& f : files) {
        for (const bool paletteImages : {false, true}) {
            SCOPED_TRACE(std::string(f.name) + (paletteImages ? ", one image per palette" : ""));
            TempFile file(f.bytes);
            const std::vector<Found> found = SearchAll(file.Path(), paletteImages);
            ASSERT_GE(found.size(), 9u);
            for (const Found& image : found) {
                SCOPED_TRACE("image " + std::to_string(image.record.imageNo) + " palette " +
                             std::to_string(image.record.paletteIndex));
                EXPECT_EQ(image.record.rawSectors, f.raw);
                EXPECT_EQ(image.record.paletteImages, paletteImages && image.record.sourceType == kSourceTim);
                EXPECT_GT(image.record.width, 0);
                SearchState again;
                ASSERT_EQ(ReadImageAgain(image.record, again), RereadOutcome::kOk);
                EXPECT_EQ(again.m_nHitCount, image.record.imageNo);
                EXPECT_EQ(again.m_nHitFileOffset, image.record.fileOffset);
                EXPECT_TRUE(DibBytes(again) == image.dib);
            }
        }
    }
}

TEST(ImageRecordTest, ChangedFilesAndChangedBytesAreRefused) {
    const auto sample = SampleBytes();
    TempFile file(sample);
    const std::vector<Found> found = SearchAll(file.Path(), false);
    ASSERT_FALSE(found.empty());
    const ImageRecord& first = found.front().record;
    SearchState state;

    // Other bytes where the image was, under a record of the file as it is now.
    {
        auto bytes = sample;
        bytes[static_cast<std::size_t>(first.fileOffset)] ^= 0xFF;
        std::ofstream(file.Path(), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                            static_cast<std::streamsize>(bytes.size()));
    }
    ImageRecord sameStamp = first;
    sameStamp.stamp = StampOfFile(file.Path());
    EXPECT_EQ(ReadImageAgain(sameStamp, state), RereadOutcome::kImageGone);

    // A record whose stamp no longer matches is not read at all.
    ImageRecord older = first;
    older.stamp.modifiedNs -= 1;
    EXPECT_EQ(ReadImageAgain(older, state), RereadOutcome::kFileChanged);
    ImageRecord gone = first;
    gone.path += ".missing";
    EXPECT_EQ(ReadImageAgain(gone, state), RereadOutcome::kFileChanged);
}

}  // namespace
}  // namespace vorel
