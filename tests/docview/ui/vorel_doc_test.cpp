#include "docview/ui/vorel_doc.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "docview/ui/hit_states.h"
#include "search/ui/ui_test_support.h"

namespace {

using vorel::Write;
using vorel::testing::FourBitTimState;
using vorel::testing::RecordingStore;
using vorel::testing::ScopedMessages;
namespace settings = vorel::settings;

QString MakeFile(const QTemporaryDir& dir, const QString& relative) {
    const QString path = QDir(dir.path()).filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
    return path;
}

TEST(VorelDoc, OpensAHandMadeTimWithTheChosenPalette) {
    QTemporaryDir dir;
    const QString path = MakeFile(dir, QStringLiteral("DATA.BIN"));
    RecordingStore store;
    const vorel::SearchState state = FourBitTimState(1, 3);
    CVorelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path, state, store));
    EXPECT_EQ(doc.m_nBitCount, 4);
    EXPECT_EQ(doc.m_nImageWidth, 4);
    EXPECT_EQ(doc.m_nImageHeight, 2);
    EXPECT_EQ(doc.m_nImageNo, 3);
    EXPECT_EQ(doc.m_nPaletteNo, 1);
    ASSERT_FALSE(doc.m_hDIB.IsNull());
    // Bottom row stored first, left pixel in the high nibble.
    const auto bottom = doc.m_hDIB.StoredRow(0);
    EXPECT_EQ(bottom[0], 0x32);
    EXPECT_EQ(bottom[1], 0x10);
    ASSERT_NE(doc.m_pPalette, nullptr);
    ASSERT_EQ(doc.m_pPalette->Size(), 16u);
    EXPECT_EQ((*doc.m_pPalette)[0], (vorel::PaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ((*doc.m_pPalette)[3], (vorel::PaletteEntry{255, 255, 255, 0}));
    EXPECT_TRUE(store.writes.empty());
}

TEST(VorelDoc, NamesItselfAfterFileImageAndPalette) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QString file;
        int paletteImage;
        int paletteCount;
        int hit;
        QString title;
        QString pathName;
    } cases[] = {
        {"palette images on", "DATA.BIN", 1, 2, 3, "DATA_003_002", "DATA_003_002"},
        {"palette images off", "DATA.BIN", 0, 2, 3, "DATA_003", "DATA_003"},
        {"a single palette has no suffix", "DATA.BIN", 1, 1, 3, "DATA_003", "DATA_003"},
        {"dot only in a folder", "MY.DIR/DATA", 0, 1, 12, "DATA_012", "MY.DIR/DATA_012"},
        {"four digits from 1000 on", "A.B.C", 0, 1, 1000, "A.B_1000", "A.B_1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = MakeFile(dir, c.file);
        RecordingStore store;
        Write(store, settings::kPaletteImage, c.paletteImage);
        vorel::SearchState state = FourBitTimState(1, c.hit);
        state.m_nPaletteCount = c.paletteCount;
        CVorelDoc doc;
        QString signalled;
        QObject::connect(&doc, &CVorelDoc::titleChanged, [&](const QString& t) { signalled = t; });
        ASSERT_TRUE(doc.OnOpenDocument(path, state, store));
        doc.SetPathName(path, state, store);
        EXPECT_EQ(doc.GetTitle(), c.title);
        EXPECT_EQ(signalled, c.title);
        EXPECT_EQ(doc.GetPathName(), QDir(dir.path()).filePath(c.pathName));
        EXPECT_EQ(doc.GetFilePath(), path);
        EXPECT_FALSE(doc.IsModified());
    }
}

TEST(VorelDoc, MissingPaletteStillOpens) {
    QTemporaryDir dir;
    const QString path = MakeFile(dir, QStringLiteral("D.BIN"));
    // A 2 x 1 16-bit TIM: direct colour, so the palette comes from the palette mode.
    std::vector<std::uint8_t> b(24, 0);
    vorel::testing::PutLe32(b, 0, 0x10);
    vorel::testing::PutLe32(b, 4, 2);
    vorel::testing::PutLe32(b, 8, 12 + 4);
    vorel::testing::PutLe16(b, 16, 2);
    vorel::testing::PutLe16(b, 18, 1);
    vorel::testing::PutLe16(b, 20, 0x7FFF);
    vorel::SearchState state = vorel::testing::StateForTimFile(b);
    RecordingStore store;
    Write(store, settings::kPaletteFlag, 2);  // no such mode: no palette
    CVorelDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path, state, store));
    EXPECT_EQ(doc.m_pPalette, nullptr);
    EXPECT_EQ(doc.m_nBitCount, 24);
    EXPECT_EQ(doc.m_nImageWidth, 2);

    RecordingStore halftone;
    CVorelDoc withPalette;
    ASSERT_TRUE(withPalette.OnOpenDocument(path, state, halftone));
    EXPECT_NE(withPalette.m_pPalette, nullptr);
}

TEST(VorelDoc, FailedOpensLeaveNoImage) {
    QTemporaryDir dir;
    const QString path = MakeFile(dir, QStringLiteral("D.BIN"));
    RecordingStore store;
    {
        ScopedMessages messages;
        vorel::SearchState state = FourBitTimState(0, 1);
        state.m_nSourceType = 2;
        CVorelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(path, state, store));
        EXPECT_TRUE(doc.m_hDIB.IsNull());
        EXPECT_TRUE(messages.service.shown.empty());
    }
    {
        ScopedMessages messages;
        vorel::SearchState state = FourBitTimState(0, 1);
        state.m_nHitSize = 90;  // the pixels are cut off
        CVorelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(path, state, store));
        EXPECT_TRUE(doc.m_hDIB.IsNull());
    }
    {
        ScopedMessages messages;
        CVorelDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument(QDir(dir.path()).filePath(QStringLiteral("GONE")),
                                        FourBitTimState(0, 1), store));
        ASSERT_EQ(messages.service.shown.size(), 1u);
        EXPECT_EQ(messages.service.shown[0].text, QStringLiteral("ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ"));
    }
}

TEST(VorelDoc, EmptyDocumentAndImageSizeRefresh) {
    ScopedMessages messages;
    CVorelDoc doc;
    EXPECT_EQ(doc.m_nImageWidth, 1);
    EXPECT_EQ(doc.m_nImageHeight, 1);
    EXPECT_EQ(doc.m_nBitCount, 0);
    EXPECT_EQ(doc.m_pPalette, nullptr);
    EXPECT_TRUE(doc.GetFilePath().isEmpty());
    doc.RefreshImageSize();
    ASSERT_EQ(messages.service.shown.size(), 1u);
    EXPECT_EQ(messages.service.shown[0].text, QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ回転ｴﾗｰ"));
    EXPECT_EQ(messages.service.shown[0].icon, vorel::MessageIcon::Exclamation);
    EXPECT_EQ(doc.m_nImageWidth, 1);

    doc.m_hDIB = vorel::Dib::Create(3, 7, 8);  // as a quarter turn would leave it
    doc.RefreshImageSize();
    EXPECT_EQ(doc.m_nImageWidth, 3);
    EXPECT_EQ(doc.m_nImageHeight, 7);
    EXPECT_EQ(messages.service.shown.size(), 1u);
}

}  // namespace
