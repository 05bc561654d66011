// Shared by the Save As and Save All tests: documents holding known pictures,
// the scripted message and file-dialog services, and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "docview/ui/vorel_doc.h"
#include "export/export_test_support.h"
#include "image/bytes.h"
#include "search/ui/ui_test_support.h"
#include "ui/file_dialog_service.h"

namespace vorel::testing {

// A document as a search would have left it, with a pattern picture (or none).
inline std::unique_ptr<CVorelDoc> PatternDocument(const QString& title, int width, int height, int bits) {
    auto doc = std::make_unique<CVorelDoc>();
    if (bits > 0) {
        doc->m_hDIB = MakePatternDib(width, height, bits);
        doc->m_nBitCount = bits;
        doc->m_nImageWidth = width;
        doc->m_nImageHeight = height;
    }
    doc->SetTitle(title);
    return doc;
}

// Installs scripted file dialogs for the life of the object.
class ScopedFileDialogs {
  public:
    ScopedFileDialogs() { SetFileDialogService(&service); }
    ~ScopedFileDialogs() { SetFileDialogService(nullptr); }
    ScopedFileDialogs(const ScopedFileDialogs&) = delete;
    ScopedFileDialogs& operator=(const ScopedFileDialogs&) = delete;

    ScriptedFileDialogService service;
};

inline QStringList TextsOf(const ScriptedMessageService& messages) {
    QStringList texts;
    for (const auto& shown : messages.shown) texts << shown.text;
    return texts;
}

// The picture in `path` as Pillow reads it equals the pattern the document was made with.
inline void ExpectPatternFile(const std::string& path, int width, int height, int bits) {
    const Decoded decoded = DecodeWithPillow(path);
    ASSERT_TRUE(decoded.ok) << path << ": " << decoded.error;
    EXPECT_EQ(decoded.width, width) << path;
    EXPECT_EQ(decoded.height, height) << path;
    EXPECT_EQ(decoded.rgb, PatternRgb(width, height, bits)) << path;
}

}  // namespace vorel::testing
