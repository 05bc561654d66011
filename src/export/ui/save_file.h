// Writes one image in the format a saving command chose and says what to tell
// the user. Every format goes through a temporary file and a rename, so a
// failed save never damages the file that was there.
#pragma once

#include <QString>
#include <optional>

#include "export/atomic_file.h"
#include "export/png_provenance.h"
#include "export/save_messages.h"
#include "export/save_names.h"
#include "image/dib.h"
#include "ui/message_service.h"

class CVorelDoc;

namespace vorel::ui {

struct SaveFileResult {
    bool saved = false;
    std::optional<SaveMessage> message;  // what the command shows, if anything
};

// BMP and PNG take their message from `table` (PNG's outcomes read as the BMP
// writer's: nothing to write, the file refused, a write that failed); TIFF
// brings the TIFF writer's own message, the saved one included.
// A `transparency` mask (docview/transparency.h) gives a PNG its alpha; BMP
// and TIFF files never carry one. A `provenance` (the image the picture shows)
// goes into a PNG as its text chunk.
SaveFileResult WriteImageFile(const QString& path, const Dib& dib, SaveFormat format,
                              const BmpMessageTable& table, FileSync sync = FileSync::Always,
                              const Dib* transparency = nullptr, const PngProvenance* provenance = nullptr);

// What a PNG of the image a document shows names as its source; nothing for a
// document no search made.
std::optional<PngProvenance> ProvenanceOfDocument(const CVorelDoc& doc);

// Shows a writer's message in the program's message box.
void ShowSaveMessage(const SaveMessage& message);

QString ToQString(std::string_view utf8);

}  // namespace vorel::ui
