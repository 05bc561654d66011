#include "export/save_messages.h"

namespace vorel {

const BmpOutcomeMessage& LookUpBmpMessage(const BmpMessageTable& table, BmpWriteOutcome outcome) {
    for (const auto& row : table) {
        if (row.outcome == outcome) return row;
    }
    // Every table lists every outcome (a test holds them to it); the first row is a
    // failure row, so an outcome added later is never mistaken for a saved file.
    return table.front();
}

SaveMessage TiffCodeMessageFor(int code) {
    for (const auto& row : kTiffCodeMessages) {
        if (row.code == code) return row.message;
    }
    return kTiffOtherCodeMessage;
}

SaveMessage TiffPrepareMessageFor(TiffPrepareFailure failure) {
    for (const auto& row : kTiffPrepareMessages) {
        if (row.failure == failure) return row.message;
    }
    return kTiffOtherCodeMessage;
}

}  // namespace vorel
