// Save As on an image window: the save-file dialog proposes the document's
// name with ".BMP", and the extension of the name chosen picks the format
// (BMP, TIF or PNG).
#pragma once

#include <QString>

class CVorelDoc;

namespace vorel::ui {

// The save-file dialog's filter: BMP, TIFF, PNG and every file.
QString SaveAsFilter();

// The whole command for `doc`: dialog, format check, write, message.
void SaveDocumentAs(const CVorelDoc& doc);

}  // namespace vorel::ui
