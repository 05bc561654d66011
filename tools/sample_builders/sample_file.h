// The bundled sample: pictures of every kind Vorel finds, hidden in filler
// bytes that form no image of their own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vorel::samples {

struct SampleImage {
    std::size_t offset = 0;  // where a search reports it: the TIM id or the BITMAPINFOHEADER
    std::string kind;
    int width = 0;
    int height = 0;
    std::string picture;
};

// The sample file's bytes and the images in it, in file order. Empty bytes when
// a self-check finds an image start anywhere but where an image was placed.
struct SampleFile {
    std::vector<unsigned char> bytes;
    std::vector<SampleImage> images;
    std::string problem;  // why the bytes are empty
};

SampleFile BuildSampleFile();

// The table of images as Markdown, for samples/README.md.
std::string SampleTableMarkdown(const std::vector<SampleImage>& images);

}  // namespace vorel::samples
