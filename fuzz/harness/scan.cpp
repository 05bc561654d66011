// A whole search run over a buffer, through the same host interface the
// windowed program and the finder implement. The host plays the documents:
// it converts every hit, and it holds the scanners to what the candidate tests
// say about every single position of the file.
#include <algorithm>
#include <cstring>
#include <vector>

#include "disc/raw_sectors.h"
#include "docview/hit_to_dib.h"
#include "harness/check.h"
#include "harness/harness.h"
#include "harness/support.h"
#include "search/bmp_candidate.h"
#include "search/chunk_scan.h"
#include "search/search_host.h"
#include "search/search_run.h"
#include "search/settings.h"
#include "search/tim_candidate.h"

namespace vorel::fuzz {
namespace {

constexpr std::int64_t kSmallImagePixels = 16384;  // documents this small also get the octree palette
constexpr int kConvertedDocuments = 256;           // later documents of one run are counted, not converted

struct TimHit {
    std::int64_t offset;
    TimHeader header;
};
struct BmpHit {
    std::int64_t offset;
    std::int64_t size;  // bytes the scanner reads for it
};

// Every position the candidate tests accept, in file order. The bytes are
// followed by zeros as the scanners' look-ahead is past the end of the file; a
// header that lies wholly beyond those zeros would read zeros too, and zeros are
// never a TIM or a bitmap that fits.
struct Expected {
    std::vector<TimHit> tims;
    std::vector<BmpHit> bmps;
};

Expected FindAll(Input data, std::int64_t base, TimRules rules) {
    Expected e;
    std::vector<std::uint8_t> padded(data.begin(), data.end());
    padded.resize(data.size() + 64, 0);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == kTimId) {
            TimHeader h;
            if (TestTimCandidate(padded, i, h, rules) == TimTest::kAccept)
                e.tims.push_back({base + std::int64_t(i), h});
        } else if (data[i] == kBitmapInfoHeaderSize) {
            BmpHeader h;
            if (TestBmpHeader(padded, i, h) == BmpTest::kAccept && h.size >= 0 &&
                h.size <= static_cast<std::int64_t>(data.size() - i)) {
                const bool image = h.width > 0 && h.height != 0 && h.size <= std::int64_t{Dib::kMaxDibBytes};
                e.bmps.push_back({base + std::int64_t(i), image ? h.size : 40});
            }
        }
    }
    return e;
}

struct Window {
    std::int64_t first = 1;
    std::int64_t last = 999999;
};

// The hit number that ends a scan: the first one that is neither before the
// window (those are only counted) nor inside it.
std::int64_t EndingHit(const Window& w) {
    return std::max({w.first, w.last + 1, std::int64_t{1}});
}
// Hits counted by a scan that finds `found` of them: the ending hit is counted too.
std::int64_t CountedHits(std::int64_t found, const Window& w) {
    return std::min(found, EndingHit(w));
}
std::int64_t ShownHits(std::int64_t found, const Window& w) {
    return std::max<std::int64_t>(0, std::min(found, w.last) - std::max<std::int64_t>(w.first, 1) + 1);
}

enum class Scan { kNone, kTim, kBmp };

class FuzzHost : public ISearchHost {
  public:
    // `rawSize`: the size of the file scanned when it is a raw image of the stream
    // (base zeros, then data), -1 when the file is the stream itself.
    FuzzHost(const ScanOptions& o, SearchState& state, Input data, std::int64_t base, const std::string& path,
             const Window& window, std::int64_t rawSize, bool exactPossible)
        : o_(o), state_(state), data_(data), base_(base), path_(path), window_(window) {
        fileSize_ = base + static_cast<std::int64_t>(data.size());
        rawSize_ = rawSize < 0 ? fileSize_ : rawSize;
        wrapped_ = rawSize >= 0;
        // The bytes lie in one chunk, or straddle the end of the first one with the
        // rest inside its look-ahead: every candidate sees all the bytes its header
        // needs, so the oracle is exact.
        exact_ = exactPossible && static_cast<std::int64_t>(data.size()) + 64 <= kLookAheadBytes;
        if (exact_) expected_ = FindAll(data, base, o.strictTim ? TimRules::kStrict : TimRules::kWide);
    }

    void CreateProgress() override {
        Require(!progressOpen_, "progress created twice");
        progressOpen_ = true;
        checks_ = steps_ = 0;
        scan_ = Scan::kNone;
    }

    void SetProgressLabel(std::string_view label) override {
        Require(progressOpen_, "label set without progress");
        if (label == "TIM検索") {
            scan_ = Scan::kTim;
        } else if (label == "BMP検索") {
            scan_ = Scan::kBmp;
        } else {
            Fail("unknown progress label");
        }
        hitsAtStart_ = state_.m_nHitCount;
        shownAtStart_ = state_.m_nShownCount;
        docsInScan_ = 0;
        cancelled_ = false;
        last_ = nullptr;
    }

    bool CheckCancel() override {
        Require(progressOpen_, "cancel checked without progress");
        ++checks_;
        Require(checks_ <= kProgressPoints, "more than 50 progress checks in a scan");
        pendingCancel_ = ++allChecks_ == o_.cancelAtCheck;
        return pendingCancel_;
    }

    void StepProgress() override {
        ++steps_;
        Require(steps_ <= kProgressPoints, "progress stepped more than 50 times");
    }

    bool AskYesNo(std::string_view question) override {
        Require(pendingCancel_ && question == kCancelQuestion, "unexpected question");
        pendingCancel_ = false;
        cancelled_ = o_.confirmCancel;
        return o_.confirmCancel;
    }

    void DestroyProgress() override {
        Require(progressOpen_, "progress destroyed without being created");
        progressOpen_ = false;
        if (scan_ == Scan::kTim) timResult_ = cancelled_ ? nullptr : last_;
        if (scan_ == Scan::kBmp) bmpResult_ = cancelled_ ? nullptr : last_;
        if (scan_ == Scan::kTim) summary.timHits = state_.m_nHitCount;
        if (scan_ == Scan::kBmp) summary.bmpHits = state_.m_nHitCount - hitsAtStart_;
        if (!exact_ || cancelled_ || scan_ == Scan::kNone) return;
        const auto found =
            static_cast<std::int64_t>(scan_ == Scan::kTim ? expected_.tims.size() : expected_.bmps.size());
        const std::int64_t hits = state_.m_nHitCount - hitsAtStart_;
        Require(hits == CountedHits(found, window_), "scan counted a different number of hits");
        Require(state_.m_nShownCount - shownAtStart_ == ShownHits(found, window_),
                "scan showed a different number");
        // A scan that ran to the end passed every progress point of the file.
        if (found < EndingHit(window_)) {
            Require(checks_ == std::min<std::int64_t>(kProgressPoints, rawSize_), "progress points missed");
            Require(steps_ == checks_, "progress not stepped at every point");
        }
    }

    DocumentRef OpenDocument(const SearchState& s, std::string_view path) override {
        Require(progressOpen_ && path == path_, "document opened outside a scan or for another path");
        Require(&s == &state_, "document opened for another search state");
        Require(s.m_nHitOffset == 0 && s.m_nHitSize <= s.m_pHitData.size(),
                "hit not at the start of its buffer");
        const std::int64_t off = s.m_nHitFileOffset;
        Require(off >= 0 && off < rawSize_, "hit outside the file");
        ++summary.documents;
        if (scan_ == Scan::kTim) CheckTimDocument(s);
        if (scan_ == Scan::kBmp) CheckBmpDocument(s);
        ++docsInScan_;
        last_ = nullptr;
        if (summary.documents > kConvertedDocuments) return last_;

        const Dib dib = ConvertHitToDib(s);
        CheckBuiltDib(dib);
        if (dib.IsNull()) return last_;
        ++summary.images;
        const bool small = std::int64_t{dib.Width()} * dib.Height() <= kSmallImagePixels;
        CheckDocumentPalette(dib, o_.paletteMode == 1 && !small ? 0 : o_.paletteMode);
        if (written_ < o_.writeDocuments) {
            ++written_;
            CheckWritersOn(dib, 0);
        }
        last_ = &summary;  // any non-null value stands for the opened document
        return last_;
    }

    DocumentRef TimResult() const { return timResult_; }
    DocumentRef BmpResult() const { return bmpResult_; }
    bool ProgressOpen() const { return progressOpen_; }

    ScanSummary summary;

  private:
    // Where stream byte `s` lies in the file: in a wrapped image, the data
    // sectors are every one but each (form2Every + 1)-th.
    std::int64_t FileOffset(std::int64_t s) const {
        if (!wrapped_) return s;
        const std::int64_t ordinal = s / 2048;
        const std::int64_t sector = o_.form2Every > 0 ? ordinal + ordinal / o_.form2Every : ordinal;
        return sector * 2352 + (o_.mode1 ? 16 : 24) + s % 2048;
    }

    // The file's bytes at `off`, zeros past its end.
    void CheckHitBytes(const SearchState& s, std::int64_t off) {
        const Input hit = s.Hit();
        const std::int64_t inFile =
            std::min<std::int64_t>(static_cast<std::int64_t>(hit.size()), fileSize_ - off);
        for (std::int64_t i = 0; i < static_cast<std::int64_t>(hit.size()); ++i) {
            const std::int64_t at = off + i - base_;
            const std::uint8_t want = i < inFile && at >= 0 ? data_[static_cast<std::size_t>(at)] : 0;
            if (hit[static_cast<std::size_t>(i)] != want) {
                Fail("hit bytes differ from the file");
                return;
            }
        }
    }

    void CheckTimDocument(const SearchState& s) {
        const std::int64_t n = s.m_nHitCount;
        Require(n >= window_.first && n <= window_.last, "TIM document outside the divided-search window");
        if (o_.paletteImages) {
            const std::int32_t want = n == lastTimNumber_ ? lastPaletteIndex_ + 1 : 0;
            Require(s.m_nPaletteIndex == want && s.m_nPaletteIndex < s.m_nPaletteCount,
                    "palette documents out of order");
        } else {
            Require(s.m_nPaletteIndex == 0 && n != lastTimNumber_, "more than one document for a TIM");
        }
        const bool newHit = n != lastTimNumber_;
        lastTimNumber_ = n;
        lastPaletteIndex_ = s.m_nPaletteIndex;
        if (!exact_ || !newHit) return;
        Require(n >= 1 && n <= static_cast<std::int64_t>(expected_.tims.size()),
                "TIM hit the candidate test rejects");
        if (n < 1 || n > static_cast<std::int64_t>(expected_.tims.size())) return;
        const TimHit& e = expected_.tims[static_cast<std::size_t>(n - 1)];
        Require(s.m_nHitFileOffset == FileOffset(e.offset), "TIM hit at the wrong offset");
        const TimHeader& h = e.header;
        Require(s.m_nTimFlag == h.flag && s.m_nWidth == h.width && s.m_nHeight == h.height &&
                    s.m_nPaletteCount == h.paletteCount,
                "TIM hit described differently from its header");
        if (h.flag == kTim4 || h.flag == kTim8) {
            Require(s.m_nClutBlockSize == h.clutBlockSize && s.m_nClutEntries == h.clutEntries &&
                        s.m_nClutWidth == h.clutWidth,
                    "TIM hit's CLUT described differently from its header");
        }
        Require(static_cast<std::int64_t>(s.m_nHitSize) == h.size, "TIM hit is not the whole TIM");
        CheckHitBytes(s, e.offset);
    }

    void CheckBmpDocument(const SearchState& s) {
        Require(s.m_nPaletteCount == 1 && s.m_nPaletteIndex == 0, "bitmap document with a palette number");
        const std::int64_t n = std::max<std::int64_t>(window_.first, 1) + docsInScan_;
        Require(n <= window_.last, "bitmap document outside the divided-search window");
        Require(s.m_nHitCount - hitsAtStart_ >= n, "bitmap document before its hit was counted");
        if (!exact_) return;
        Require(n <= static_cast<std::int64_t>(expected_.bmps.size()),
                "bitmap hit the candidate test rejects");
        if (n > static_cast<std::int64_t>(expected_.bmps.size())) return;
        const BmpHit& e = expected_.bmps[static_cast<std::size_t>(n - 1)];
        Require(s.m_nHitFileOffset == FileOffset(e.offset), "bitmap hit at the wrong offset");
        Require(static_cast<std::int64_t>(s.m_nHitSize) == e.size, "bitmap hit of the wrong size");
        CheckHitBytes(s, e.offset);
    }

    const ScanOptions& o_;
    SearchState& state_;
    Input data_;
    std::int64_t base_;
    std::string path_;
    Window window_;
    std::int64_t fileSize_ = 0;  // of the stream
    std::int64_t rawSize_ = 0;   // of the file
    bool wrapped_ = false;
    bool exact_ = false;
    Expected expected_;

    bool progressOpen_ = false;
    Scan scan_ = Scan::kNone;
    int checks_ = 0;
    int steps_ = 0;
    int allChecks_ = 0;
    bool pendingCancel_ = false;
    bool cancelled_ = false;
    std::int32_t hitsAtStart_ = 0;
    std::int32_t shownAtStart_ = 0;
    std::int64_t docsInScan_ = 0;
    std::int64_t lastTimNumber_ = 0;
    std::int32_t lastPaletteIndex_ = 0;
    int written_ = 0;
    DocumentRef last_ = nullptr;
    DocumentRef timResult_ = nullptr;
    DocumentRef bmpResult_ = nullptr;
};

// Whether detection might take the file for a raw image: it starts with the sync pattern.
bool StartsLikeRawImage(Input data, std::int64_t base) {
    if (base > 0 || data.size() < kSyncBytes) return false;
    return std::equal(kSectorSync.begin(), kSectorSync.end(), data.begin());
}

const char* const kReadMemorySizes[16] = {"1",   "2",  "10",          "0",   "-1",  "11",  "abc", "",
                                          "3MB", " 4", "99999999999", "1e3", "\t5", "0x2", "+2",  "7"};

}  // namespace

ScanOptions TakeScanOptions(Input& data) {
    ScanOptions o;
    if (data.size() < 4) return o;
    const Input tail = data.last(4);
    data = data.first(data.size() - 4);
    const std::uint8_t b0 = tail[0], b1 = tail[1], b2 = tail[2], b3 = tail[3];
    o.searchType = b0 & 3;
    o.paletteImages = (b0 >> 2) & 1;
    static constexpr int kModes[4] = {0, 1, 0, 7};
    o.paletteMode = kModes[(b0 >> 3) & 3];
    o.atChunkEdge = (b0 >> 5) & 1;
    o.writeDocuments = (b0 >> 6) & 3;
    o.readMemorySize = kReadMemorySizes[b1 & 15];
    o.cancelAtCheck = ((b1 >> 4) & 7) * 7;
    o.confirmCancel = (b1 >> 7) != 0;
    o.divideSearch = (b2 & 1) != 0;
    o.divideNum = static_cast<std::int8_t>(b2) / 2;
    o.dividePos = static_cast<std::int8_t>(b3) / 16;
    o.edgeShift = 1 + (b3 & 63);
    if (data.empty()) return o;
    const std::uint8_t b4 = data.back();
    data = data.first(data.size() - 1);
    static constexpr int kForm2Every[4] = {0, 2, 3, 7};
    o.sectors = b4 & 3;
    o.mode1 = (b4 >> 2) & 1;
    o.form2Every = kForm2Every[(b4 >> 3) & 3];
    o.audioAfter = (b4 >> 5) & 1;
    o.strictTim = (b4 >> 6) & 1;
    if (data.empty()) return o;
    const std::uint8_t b5 = data.back();
    data = data.first(data.size() - 1);
    o.threads = 1 + (b5 & 1);
    o.mapped = ((b5 >> 1) & 1) != 0;
    o.windowBytes = 1 + (b5 >> 2) * 97;  // 1 to 6,112 bytes
    return o;
}

namespace {

// Sync, address and mode (and the Mode 2 subheader), the user data, and error
// correction left zero: the reader never looks at it.
void PutSector(std::vector<std::uint8_t>& out, std::uint32_t lba, int kind, const std::uint8_t* data,
               std::size_t size) {
    const std::size_t at = out.size();
    out.resize(at + 2352, 0);
    std::uint8_t* s = out.data() + at;
    if (kind == 3) {  // audio: samples, no sync
        for (int i = 0; i < 2352; ++i) s[i] = static_cast<std::uint8_t>(lba + 3 * i + 1);
        return;
    }
    std::copy(kSectorSync.begin(), kSectorSync.end(), s);
    s[12] = static_cast<std::uint8_t>(lba >> 16);
    s[13] = static_cast<std::uint8_t>(lba >> 8);
    s[14] = static_cast<std::uint8_t>(lba);
    s[15] = kind == 1 ? 1 : 2;
    std::size_t offset = 16;
    if (kind != 1) {
        const std::uint8_t submode = kind == 2 ? 0x64 : 0x08;  // Form 2 audio, or data
        s[18] = s[22] = submode;
        offset = 24;
    }
    if (kind != 2) std::copy(data, data + std::min<std::size_t>(size, 2048), s + offset);
}

// The stream (`leading` zeros, then the data, then zeros to a whole sector) in raw sectors.
std::vector<std::uint8_t> WrapInSectors(Input data, std::int64_t leading, const ScanOptions& o) {
    std::vector<std::uint8_t> stream(static_cast<std::size_t>(leading), 0);
    stream.insert(stream.end(), data.begin(), data.end());
    stream.resize((stream.size() + 2047) / 2048 * 2048, 0);
    std::vector<std::uint8_t> image;
    image.reserve(stream.size() / 2048 * 2352 * 2 + 2352);
    std::uint32_t lba = 0;
    for (std::size_t k = 0; k * 2048 < stream.size(); ++k) {
        PutSector(image, lba++, o.mode1 ? 1 : 0, stream.data() + k * 2048, 2048);
        if (o.form2Every > 0 && (k + 1) % static_cast<std::size_t>(o.form2Every) == 0 &&
            (k + 1) * 2048 < stream.size())
            PutSector(image, lba++, 2, nullptr, 0);
    }
    if (o.audioAfter) PutSector(image, lba++, 3, nullptr, 0);
    return image;
}

}  // namespace

ScanSummary ScanBuffer(Input data, const ScanOptions& o) {
    MemorySettingsStore store;
    Write(store, settings::kSearchType, o.searchType);
    Write(store, settings::kPaletteImage, o.paletteImages ? 1 : 0);
    Write(store, settings::kReadMemorySize, o.readMemorySize);
    Write(store, settings::kDivideSearch, o.divideSearch ? 1 : 0);
    Write(store, settings::kDivideNum, o.divideNum);
    Write(store, settings::kDividePos, o.dividePos);
    Write(store, settings::kStrictTim, o.strictTim ? 1 : 0);
    Write(store, settings::kScanThreads, o.threads);
    CurrentScanTuning() = ScanTuning{o.windowBytes, o.mapped ? WindowMode::kMap : WindowMode::kRead, false};

    Window window;
    if (o.divideSearch) {
        window.first = std::int64_t{o.divideNum} * o.dividePos + 1;
        window.last = std::int64_t{o.divideNum} * (o.dividePos + 1);
    }
    // The chunk size the scanners use: 1 to 10 MB, anything else 1.
    const std::int64_t chunk = std::int64_t{ReadMemorySizeMb(store)} * kBytesPerMb;
    const std::int64_t base = o.atChunkEdge ? std::max<std::int64_t>(0, chunk - o.edgeShift) : 0;

    // A wrapped image ending in an audio sector may be too short for detection to see it whole.
    static constexpr int kRawSectorsFor[4] = {2, 0, 1, 0};
    Write(store, settings::kRawSectors, o.sectors == 1 && o.audioAfter ? 1 : kRawSectorsFor[o.sectors & 3]);
    // Wrapped, the scans see the data padded to whole sectors; their offsets are the image's.
    std::vector<std::uint8_t> image;
    std::vector<std::uint8_t> padded;
    std::int64_t rawSize = -1;
    if (o.sectors == 1) {
        image = WrapInSectors(data, base, o);
        rawSize = static_cast<std::int64_t>(image.size());
        padded.assign(data.begin(), data.end());
        padded.resize(static_cast<std::size_t>((base + static_cast<std::int64_t>(data.size()) + 2047) / 2048 * 2048 - base), 0);
    }
    MemoryFile file(o.sectors == 1 ? Input(image) : data, o.sectors == 1 ? 0 : static_cast<std::uint64_t>(base));
    if (!file.IsOpen()) return {};
    SearchState state;
    state.m_nHitCount = 77;  // a run starts its counters from zero whatever they held
    state.m_nPaletteImageCount = 5;
    // Bytes read raw, or detected as raw, have no answer to hold them to but the rules every scan keeps.
    const bool plain = o.sectors == 0 || (o.sectors == 3 && !StartsLikeRawImage(data, base));
    FuzzHost host(o, state, o.sectors == 1 ? Input(padded) : data, base, file.Path(), window, rawSize,
                  plain || o.sectors == 1);
    const DocumentRef result = RunSearchScans(state, host, store, file.Path());

    Require(!host.ProgressOpen(), "progress left open after the run");
    Require(state.m_pHitData.empty() && state.m_nHitSize == 0, "hit buffer outlives the run");
    switch (o.searchType) {
        case 0:
            Require(result == host.TimResult(), "run result is not the TIM scan's last document");
            break;
        case 1:
            Require(result == host.BmpResult(), "run result is not the bitmap scan's last document");
            break;
        case 2:
            Require(result == (host.BmpResult() != nullptr ? host.BmpResult() : host.TimResult()),
                    "run result is not the last document of its scans");
            break;
        default:
            Require(result == nullptr && host.summary.documents == 0, "a run of no search type found images");
    }
    if (o.searchType != 0 && o.searchType != 2) {
        Require(state.m_nPaletteImageCount == 0, "palette documents counted without a TIM scan");
    }
    Require(state.m_nShownCount <= state.m_nHitCount, "more images shown than found");
    ClosingMessage(state, store);
    return host.summary;
}

}  // namespace vorel::fuzz
