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
// channel: 0 where the mask is set, 255 elsewhere. A provenance text (null for
// none; export/png_provenance.h) goes into the file as its text chunk, its
// alpha field set to whether the mask was applied.
extern "C" using WritePngFunction = int(const char* path, const std::uint8_t* dib, std::size_t dibSize,
                                        const std::uint8_t* mask, std::size_t maskSize, const char* provenance,
                                        char* error, std::size_t errorSize);
inline constexpr char kWritePngSymbol[] = "VorelWritePng";
inline constexpr char kPngPluginName[] = "vorel_png_export";

}  // namespace vorel

namespace vorel {

// Reading an edited picture through the same plug-in (Qt Gui reads PNG, BMP and
// TIFF). The plug-in allocates `rgba`; FreePicture releases it.
struct PluginPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint8_t* rgba = nullptr;  // width * height * 4 bytes, top row first
    std::int32_t paletteSize = 0;  // entries of the file's own colour table (0 for a direct-colour file)
    std::uint8_t palette[256 * 4] = {};
    // The file's provenance text chunk as written (empty for none), cut at the buffer's end.
    char provenance[8192] = {};
};
extern "C" using ReadPictureFunction = int(const char* path, PluginPicture* out, char* error, std::size_t errorSize);
extern "C" using FreePictureFunction = void(PluginPicture* picture);
inline constexpr char kReadPictureSymbol[] = "VorelReadPicture";
inline constexpr char kFreePictureSymbol[] = "VorelFreePicture";

}  // namespace vorel
