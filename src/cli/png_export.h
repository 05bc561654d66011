// PNG export for the finder. The encoder lives in a small plug-in library that
// links Qt Gui, so that the finder itself loads only Qt Core unless PNG files
// are asked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorel {

// Signature of the plug-in's entry point: writes the packed DIB as a PNG file
// (replacing `path` only once the whole file is written); returns 0 on success,
// otherwise non-zero with a reason in `error`. A transparency mask (a packed
// DIB, see docview/transparency.h; null and 0 for none) gives the PNG an alpha
// channel: 0 where the mask is set, 255 elsewhere.
extern "C" using WritePngFunction = int(const char* path, const std::uint8_t* dib, std::size_t dibSize,
                                        const std::uint8_t* mask, std::size_t maskSize, char* error,
                                        std::size_t errorSize);
inline constexpr char kWritePngSymbol[] = "VorelWritePng";
inline constexpr char kPngPluginName[] = "vorel_png_export";

}  // namespace vorel
