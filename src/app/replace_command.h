// "ｲﾒｰｼﾞの置換...": an edited picture goes back into the file its image window
// was found in, and "元に戻す" takes this session's replacements back, last
// first, the same safe way (the file is rewritten whole and checked before it
// takes the old one's place).
#pragma once

#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

#include "search/image_record.h"

class CVorelApp;
class CVorelDoc;

namespace vorel::app {

// True for an image window whose picture came from a searched file.
bool CanReplaceImage(const CVorelDoc* doc);

class ReplaceHistory {
  public:
    // Asks for a picture, checks it, asks the user, writes, and shows the new
    // picture read back from the file in the document's window.
    void ReplaceImage(CVorelApp& app, CVorelDoc& doc);
    // Puts back the bytes the last replacement of this session wrote over.
    void Undo(CVorelApp& app);
    bool CanUndo() const { return !entries_.empty(); }

  private:
    struct Entry {
        ImageRecord record;                // the image as the replacement left it
        std::vector<std::uint8_t> before;  // its bytes before
        QPointer<CVorelDoc> doc;
    };
    // Another write of the same file leaves the earlier entries' images where they were.
    void FollowStamp(const std::string& path, const FileStamp& old, const FileStamp& now);

    std::vector<Entry> entries_;
};

}  // namespace vorel::app
