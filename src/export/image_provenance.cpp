#include "export/image_provenance.h"

namespace vorel {

std::string ImageKindText(const ImageRecord& record) {
    return (record.sourceType == kSourceBmp ? "BMP" : "TIM") + std::to_string(record.bitCount);
}

PngProvenance ProvenanceOfImage(const ImageRecord& record) {
    PngProvenance p;
    const std::size_t slash = record.path.find_last_of('/');
    p.sourceName = slash == std::string::npos ? record.path : record.path.substr(slash + 1);
    p.offset = record.fileOffset;
    p.kind = ImageKindText(record);
    p.width = record.width;
    p.height = record.height;
    p.bytes = record.size;
    p.palette = record.paletteIndex;
    return p;
}

bool FromAnotherImage(const PictureRgba& picture, const ImageRecord& target) {
    if (!picture.provenance) return false;
    return picture.provenance->offset != target.fileOffset || picture.provenance->kind != ImageKindText(target);
}

}  // namespace vorel
