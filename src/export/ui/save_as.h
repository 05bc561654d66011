// Save As on an image window: the save-file dialog proposes the document's
// name with ".BMP", and the extension of the name chosen picks the format
// (BMP, TIF or PNG, or TIM for a TIM's own bytes).
#pragma once

#include <QString>

#include "search/settings.h"

class CVorelDoc;

namespace vorel::ui {

// The save-file dialog's filter: BMP, TIFF, PNG, TIM and every file.
QString SaveAsFilter();

// The whole command for `doc`: dialog, format check, write, message. "PngAlpha"
// in `store` decides whether a PNG carries the TIM's transparent pixels.
void SaveDocumentAs(const CVorelDoc& doc, const ISettingsStore& store);

}  // namespace vorel::ui
