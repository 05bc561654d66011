// The provenance an export writes for one found image, and the check a
// put-back makes with it: a PNG exported from one image must not be written
// into another, whatever titles the two searches gave them.
#pragma once

#include <string>

#include "export/png_provenance.h"
#include "export/put_back.h"
#include "search/image_record.h"

namespace vorel {

// "TIM4", "TIM8", "TIM16", "TIM24" or "BMP1" ... "BMP24": the kind of the image as found.
std::string ImageKindText(const ImageRecord& record);

// What an export of the image `record` names: its file's name, offset, kind,
// size, palette. `alpha` is left false: the writer sets it when it gives
// transparent pixels alpha 0.
PngProvenance ProvenanceOfImage(const ImageRecord& record);

// True when `picture` carries a chunk that names another offset or another kind
// than the image `target`: it was exported from another image. A picture
// without the chunk (edited in a program that dropped it) is not judged here;
// its size is checked when it is converted.
bool FromAnotherImage(const PictureRgba& picture, const ImageRecord& target);

}  // namespace vorel
