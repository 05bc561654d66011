// Where an exported PNG came from: the searched file's name, the image's offset,
// kind and size, its palette, and whether the export gave transparent pixels
// alpha 0. It travels in the PNG as a text chunk, so that a picture put back
// later can be checked against the image it is put into: titles depend on the
// search's settings, offsets and kinds do not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorel {

// The PNG text chunk's keyword.
inline constexpr char kProvenanceKey[] = "Vorel-Source";

struct PngProvenance {
    std::string sourceName;   // the searched file's name, without its folder
    std::int64_t offset = 0;  // the image's first byte in that file (what the user is shown)
    std::string kind;         // TIM4, TIM8, TIM16, TIM24, BMP1, BMP4, BMP8 or BMP24
    std::int32_t width = 0;   // the image as found, in pixels (before any turn)
    std::int32_t height = 0;
    std::int64_t bytes = 0;    // the image's size in its file (a TIM's blocks as their lengths give them)
    std::int32_t palette = 0;  // the palette shown, counted from 0
    bool alpha = false;        // pixels of colour word 0x0000 were written with alpha 0
    bool operator==(const PngProvenance&) const = default;
};

// One line of "key=value" fields separated by "; ", the file's name last (it may
// hold any character but a line break, which is written as a space).
std::string FormatProvenance(const PngProvenance& provenance);

// The fields of a chunk FormatProvenance wrote; std::nullopt for any other text
// (a field missing, out of range or not a number), which counts as no chunk.
std::optional<PngProvenance> ParseProvenance(std::string_view text);

}  // namespace vorel
