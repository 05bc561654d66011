#include "disc/iso_names.h"

#include <algorithm>

#include "image/bytes.h"

namespace vorel {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kRecordFixedBytes = 33;
constexpr std::size_t kXaBytes = 14;
// Continuation areas followed for one record: genisoimage needs one for a
// 255-byte name; a chain longer than this is a loop or a hostile image.
constexpr int kMaxContinuations = 8;
constexpr std::uint8_t kNameContinues = 0x01;
constexpr std::uint8_t kNameCurrent = 0x02;
constexpr std::uint8_t kNameParent = 0x04;

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// A name can never split a path or hide in a terminal: "/" and control
// characters become "_", and so do names that would mean "here" or "up".
void AppendSafe(std::string& out, std::uint32_t cp) {
    if (cp < 0x20 || cp == 0x7F || cp == '/' || (cp >= 0x80 && cp < 0xA0)) cp = '_';
    AppendUtf8(out, cp);
}

std::string Finish(std::string name) {
    if (name.empty() || name == "." || name == "..") name = "_" + name;
    return name;
}

// Appends `raw` made safe when it is valid UTF-8 (shortest forms, no
// surrogates); false, with `out` as it was, otherwise.
bool AppendValidUtf8(Bytes raw, std::string& out) {
    const std::size_t before = out.size();
    for (std::size_t i = 0; i < raw.size();) {
        const std::uint8_t b = raw[i];
        std::size_t more = 0;
        std::uint32_t cp = 0;
        std::uint32_t least = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            more = 1, cp = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2, cp = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3, cp = b & 0x07, least = 0x10000;
        } else {
            out.resize(before);
            return false;
        }
        bool valid = more <= raw.size() - i - 1;
        for (std::size_t k = 1; valid && k <= more; ++k) {
            valid = (raw[i + k] & 0xC0) == 0x80;
            cp = cp << 6 | (raw[i + k] & 0x3F);
        }
        if (!valid || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            out.resize(before);
            return false;
        }
        AppendSafe(out, cp);
        i += more + 1;
    }
    return true;
}

// The system use entries of one area, in order: signature, then the entry's data.
template <typename Visit>
void ForEachEntry(Bytes area, Visit&& visit) {
    std::size_t pos = 0;
    while (pos + 4 <= area.size()) {
        const std::size_t length = area[pos + 2];
        if (length < 4 || length > area.size() - pos) return;  // damaged: the rest cannot be found
        const Bytes entry = area.subspan(pos, length);
        if (entry[0] == 'S' && entry[1] == 'T') return;  // the area's terminator
        if (!visit(entry)) return;
        pos += length;
    }
}

}  // namespace

std::size_t SystemUseStart(std::size_t nameLength) {
    return kRecordFixedBytes + nameLength + (nameLength % 2 == 0 ? 1 : 0);
}

std::string JolietName(Bytes raw) {
    std::string name;
    // UCS-2 big-endian; a surrogate pair is joined, a lone surrogate replaced.
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        std::uint32_t cp = static_cast<std::uint32_t>(raw[i]) << 8 | raw[i + 1];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < raw.size()) {
            const std::uint32_t low = static_cast<std::uint32_t>(raw[i + 2]) << 8 | raw[i + 3];
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
        if (cp == ';') break;  // the version ";1" is no part of the name
        AppendSafe(name, cp);
    }
    return Finish(std::move(name));
}

std::string ByteName(Bytes raw, bool stripVersion) {
    std::size_t end = raw.size();
    if (stripVersion) {
        // ";1" at the end is the version; a level 4 name has none, and may hold ";" itself.
        std::size_t digits = end;
        while (digits > 0 && raw[digits - 1] >= '0' && raw[digits - 1] <= '9') --digits;
        if (digits > 0 && raw[digits - 1] == ';') {
            end = digits - 1;
            // "README.;1": a file without an extension keeps its separator on the disc.
            if (end > 1 && raw[end - 1] == '.') --end;
        }
    }
    const Bytes name = raw.first(end);
    std::string out;
    if (!AppendValidUtf8(name, out)) {
        for (const std::uint8_t b : name) AppendSafe(out, b);  // Latin-1
    }
    return Finish(std::move(out));
}

RockRidge DetectRockRidge(Bytes dotRecord) {
    RockRidge rr;
    if (dotRecord.size() < kRecordFixedBytes + 1) return rr;
    const std::size_t su = SystemUseStart(dotRecord[32]);
    // "SP", 7 bytes, version 1, check bytes BE EF, bytes to skip; after the XA
    // attributes on an XA disc.
    for (const std::size_t at : {su, su + kXaBytes}) {
        if (at + 7 > dotRecord.size()) break;
        const Bytes sp = dotRecord.subspan(at, 7);
        if (sp[0] == 'S' && sp[1] == 'P' && sp[2] == 7 && sp[4] == 0xBE && sp[5] == 0xEF) {
            rr.present = true;
            rr.skip = std::max<std::size_t>(sp[6], at - su);
            return rr;
        }
    }
    return rr;
}

RockRidgeEntry ReadRockRidge(Bytes record, std::size_t nameLength, const RockRidge& rr, const SectorFetch& fetch,
                             ContinuationCache& cache) {
    RockRidgeEntry result;
    if (!rr.present) return result;
    std::size_t start = SystemUseStart(nameLength);
    // The XA attributes come first on an XA disc, whatever the skip says.
    std::size_t skip = rr.skip;
    if (skip < kXaBytes && start + kXaBytes <= record.size() && record[start + 6] == 'X' && record[start + 7] == 'A')
        skip = kXaBytes;
    start += skip;
    if (start >= record.size()) return result;
    Bytes area = record.subspan(start);
    std::string raw;
    bool named = false;
    bool nameDone = false;
    for (int hop = 0; hop <= kMaxContinuations; ++hop) {
        std::int64_t nextSector = -1;
        std::uint32_t nextOffset = 0;
        std::uint32_t nextLength = 0;
        ForEachEntry(area, [&](Bytes e) {
            const std::size_t dataBytes = e.size() - 4;
            if (e[0] == 'N' && e[1] == 'M' && dataBytes >= 1 && !nameDone) {
                const std::uint8_t flags = e[4];
                if ((flags & (kNameCurrent | kNameParent)) != 0) return true;
                raw.append(reinterpret_cast<const char*>(e.data() + 5), dataBytes - 1);
                named = true;
                if ((flags & kNameContinues) == 0) nameDone = true;
            } else if (e[0] == 'C' && e[1] == 'E' && dataBytes >= 24) {
                nextSector = LoadLe32(e.data() + 4);
                nextOffset = LoadLe32(e.data() + 12);
                nextLength = LoadLe32(e.data() + 20);
            } else if (e[0] == 'C' && e[1] == 'L' && dataBytes >= 8) {
                result.childLink = LoadLe32(e.data() + 4);
            } else if (e[0] == 'R' && e[1] == 'E') {
                result.relocated = true;
            }
            return true;
        });
        if (nextSector < 0 || hop == kMaxContinuations) break;
        if (cache.sector != nextSector) {
            cache.bytes.assign(static_cast<std::size_t>(kIsoBlockBytes), 0);
            if (fetch(nextSector, cache.bytes) != SectorRead::kOk) {
                cache.sector = -1;
                break;
            }
            cache.sector = nextSector;
        }
        if (nextOffset >= kIsoBlockBytes) break;
        const Bytes sector(cache.bytes.data(), cache.bytes.size());
        area = sector.subspan(nextOffset, std::min<std::size_t>(nextLength, kIsoBlockBytes - nextOffset));
    }
    if (named && !raw.empty()) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(raw.data());
        result.name = ByteName(Bytes(bytes, raw.size()), false);
    }
    return result;
}

}  // namespace vorel
