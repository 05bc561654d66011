// The image view's commands on real documents: quarter turns and flips with
// their messages and view modes, the information box's texts, and Copy's
// clipboard contents checked against hand-built headers and the reference
// decoder's pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "docview/ui/dib_clipboard.h"
#include "docview/ui/dib_image.h"
#include "docview/ui/hit_states.h"
#include "docview/ui/image_info_dialog.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"
#include "image/bytes.h"
#include "sample_builders/sample_builders.h"
#include "search/ui/ui_test_support.h"

namespace {

using vorel::testing::ScopedMessages;

QString MakeFile(const QTemporaryDir& dir, const QString& name, const std::vector<std::uint8_t>& bytes = {1}) {
    const QString path = QDir(dir.path()).filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return path;
}

vorel::SearchState BmpState(int bits, int w, int h, int hitCount) {
    vorel::SearchState s;
    s.m_nSourceType = vorel::kSourceBmp;
    s.m_pHitData = vorel::samples::MakeDib(bits, w, h, 0, false, 7);
    s.m_nHitSize = s.m_pHitData.size();
    s.m_nHitCount = hitCount;
    s.m_nPaletteCount = 1;
    return s;
}

// A document opened from a hit, shown in a view inside an MDI area.
struct Window {
    explicit Window(const vorel::SearchState& state, const QString& fileName = QStringLiteral("DATA.BIN")) {
        path = MakeFile(dir, fileName);
        vorel::MemorySettingsStore store;
        opened = doc.OnOpenDocument(path, state, store);
        doc.SetPathName(path, state, store);
        view = new CVorelView(&doc);
        area.resize(600, 500);
        frame = area.addSubWindow(view);
        area.show();
        frame->show();
        view->OnInitialUpdate();
    }
    QTemporaryDir dir;
    QString path;
    bool opened = false;
    CVorelDoc doc;
    QMdiArea area;
    QMdiSubWindow* frame = nullptr;
    CVorelView* view = nullptr;
};

QStringList InfoTexts(const CVorelDoc& doc) {
    CImageInfoDlg dialog;
    dialog.SetFromDocument(doc);
    QStringList shown;
    for (int row = 0; row < CImageInfoDlg::kRowCount; ++row) shown << dialog.ValueLabel(row)->text();
    EXPECT_EQ(shown, (QStringList{dialog.m_strFileName, dialog.m_strSize, dialog.m_strColors, dialog.m_strImageNo,
                                  dialog.m_strPaletteNo, dialog.m_strDiscFile}));
    return shown;
}

TEST(ImageCommands, InformationTexts) {
    {
        SCOPED_TRACE("a TIM shown with its second palette");
        Window w(vorel::testing::FourBitTimState(1, 3), QStringLiteral("GAME.DAT"));
        ASSERT_TRUE(w.opened);
        EXPECT_EQ(InfoTexts(w.doc), (QStringList{"GAME.DAT", "横4dot×縦2dot", "16", "3", "1", ""}));
    }
    const struct {
        int bits;
        const char* colours;
    } bmps[] = {{1, "2"}, {4, "16"}, {8, "256"}, {24, "16M"}};
    for (const auto& c : bmps) {
        SCOPED_TRACE(testing::Message() << "a " << c.bits << "-bit BMP");
        Window w(BmpState(c.bits, 320, 240, 12));
        ASSERT_TRUE(w.opened);
        EXPECT_EQ(InfoTexts(w.doc), (QStringList{"DATA.BIN", "横320dot×縦240dot", c.colours, "12", "0", ""}));
    }
    {
        SCOPED_TRACE("a rotated image");
        Window w(BmpState(8, 320, 240, 2));
        w.view->OnRotateLeft();
        EXPECT_EQ(InfoTexts(w.doc)[1], "横240dot×縦320dot");
    }
    {
        SCOPED_TRACE("an empty window (File > New)");
        CVorelDoc empty;
        EXPECT_EQ(InfoTexts(empty), (QStringList{"", "横1dot×縦1dot", "COLOR数不明", "0", "0", ""}));
    }
}

TEST(ImageCommands, FileNameIsThePartAfterTheLastSeparator) {
    EXPECT_EQ(CImageInfoDlg::FileNameOf("/games/disc/DATA.BIN"), "DATA.BIN");
    EXPECT_EQ(CImageInfoDlg::FileNameOf("C:\\GAMES\\DATA.BIN"), "DATA.BIN");
    EXPECT_EQ(CImageInfoDlg::FileNameOf("/mixed\\dir/part\\NAME"), "NAME");
    EXPECT_EQ(CImageInfoDlg::FileNameOf("PLAIN"), "PLAIN");
    EXPECT_EQ(CImageInfoDlg::FileNameOf("/trailing/"), "");
}

TEST(ImageCommands, InformationBoxIsModalAndClosesWithOk) {
    Window w(vorel::testing::FourBitTimState(0, 5));
    QStringList seen;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<CImageInfoDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (int row = 0; row < CImageInfoDlg::kRowCount; ++row) seen << box->ValueLabel(row)->text();
        box->accept();
    });
    w.view->OnImageInfo();
    EXPECT_EQ(title, "ｲﾒｰｼﾞ情報");
    EXPECT_EQ(seen, (QStringList{"DATA.BIN", "横4dot×縦2dot", "16", "5", "0", ""}));
}

TEST(ImageCommands, TurnsRefitAndKeepTheZoomWithoutTouchingThePalette) {
    ScopedMessages messages;
    Window w(BmpState(8, 200, 100, 1));
    ASSERT_TRUE(w.opened);
    const std::vector<vorel::PaletteEntry> palette = w.doc.m_pPalette->Entries();
    const std::vector<std::uint8_t> table(w.doc.m_hDIB.Data() + 40, w.doc.m_hDIB.Data() + 1064);

    w.view->OnViewFit();
    const int fittedWidth = w.view->m_nDrawWidth;
    w.view->OnRotateRight();
    EXPECT_EQ(w.doc.m_nImageWidth, 100);
    EXPECT_EQ(w.doc.m_nImageHeight, 200);
    EXPECT_EQ(w.view->m_nViewMode, CVorelView::kFit);
    EXPECT_LT(w.view->m_nDrawWidth, fittedWidth) << "the tall picture is fitted anew";

    w.view->SetViewMode(CVorelView::kZoom200);
    w.view->OnRotateLeft();
    EXPECT_EQ(w.view->m_nViewMode, CVorelView::kZoom200);
    EXPECT_EQ(w.view->TotalSize(), QSize(400, 200));

    w.view->OnFlipVertical();
    w.view->OnMirror();
    EXPECT_EQ(w.doc.m_pPalette->Entries(), palette);
    EXPECT_EQ(std::vector<std::uint8_t>(w.doc.m_hDIB.Data() + 40, w.doc.m_hDIB.Data() + 1064), table);
    EXPECT_FALSE(w.doc.IsModified());
    EXPECT_TRUE(messages.service.shown.empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is gone";
}

TEST(ImageCommands, RefusalsAndTheirMessages) {
    const QString twoOrSixteen = QStringLiteral("2色および16色ｲﾒｰｼﾞは対応していません");
    for (int bits : {1, 4}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        ScopedMessages messages;
        Window w(BmpState(bits, 5, 3, 1));
        const vorel::Dib before = w.doc.m_hDIB;
        EXPECT_FALSE(w.view->CanRotate());
        w.view->OnRotateLeft();
        w.view->OnRotateRight();
        EXPECT_EQ(w.doc.m_hDIB, before);
        ASSERT_EQ(messages.service.shown.size(), 2u);
        EXPECT_EQ(messages.service.shown[0].text, twoOrSixteen);
        EXPECT_EQ(messages.service.shown[0].icon, vorel::MessageIcon::Exclamation);
        // Flips work at every depth.
        w.view->OnMirror();
        w.view->OnFlipVertical();
        EXPECT_EQ(messages.service.shown.size(), 2u);
        EXPECT_NE(w.doc.m_hDIB, before);
    }
    {
        SCOPED_TRACE("an empty window");
        ScopedMessages messages;
        CVorelDoc empty;
        CVorelView view(&empty);
        EXPECT_TRUE(view.CanRotate());
        view.OnRotateLeft();
        view.OnRotateRight();
        view.OnFlipVertical();
        view.OnMirror();
        view.OnEditCopy();
        QStringList texts;
        for (const auto& m : messages.service.shown) texts << m.text;
        EXPECT_EQ(texts, (QStringList{"ﾒﾓﾘｴﾗｰ", "ﾒﾓﾘｴﾗｰ", "ﾒﾓﾘｴﾗｰ", "ﾒﾓﾘｴﾗｰ", "ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ"}));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
}

// The 14-byte file header written out by hand: "BM", file size, 0, pixel offset.
QByteArray ExpectedBmp(const vorel::Dib& dib, int colours) {
    QByteArray header(14, '\0');
    header[0] = 'B';
    header[1] = 'M';
    vorel::StoreLe32(reinterpret_cast<std::uint8_t*>(header.data()) + 2,
                     static_cast<std::uint32_t>(14 + dib.AllocatedSize()));
    vorel::StoreLe32(reinterpret_cast<std::uint8_t*>(header.data()) + 10, static_cast<std::uint32_t>(54 + 4 * colours));
    return header + QByteArray(reinterpret_cast<const char*>(dib.Data()), static_cast<qsizetype>(dib.AllocatedSize()));
}

TEST(ImageCommands, CopyOffersTheBmpBytesAndThePicture) {
    const struct {
        int bits;
        int colours;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits");
        ScopedMessages messages;
        Window w(BmpState(c.bits, 7, 5, 1));
        w.view->OnEditCopy();
        EXPECT_TRUE(messages.service.shown.empty());
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        ASSERT_NE(mime, nullptr);
        ASSERT_TRUE(mime->hasFormat("image/bmp"));
        EXPECT_EQ(mime->data("image/bmp"), ExpectedBmp(w.doc.m_hDIB, c.colours));
        // The BMP bytes read back as the same picture as the clipboard's image.
        const QImage fromBmp = QImage::fromData(mime->data("image/bmp"), "BMP").convertToFormat(QImage::Format_RGB32);
        const QImage picture = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(picture.size(), QSize(7, 5));
        EXPECT_EQ(fromBmp, picture);
    }
}

TEST(ImageCommands, CopiedPictureIsTheReferenceDecodersPicture) {
    for (const char* name : {"ball16c", "bungirl", "bunpattern"}) {
        SCOPED_TRACE(name);
        const QString base = QStringLiteral(VOREL_TEST_DATA_DIR "/corpus/") + QLatin1String(name);
        QFile tim(base + ".tim");
        ASSERT_TRUE(tim.open(QIODevice::ReadOnly));
        const QByteArray bytes = tim.readAll();
        Window w(vorel::testing::StateForTimFile({bytes.begin(), bytes.end()}));
        ASSERT_TRUE(w.opened);
        w.view->OnEditCopy();
        const QImage copied = QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
        const QImage expected = QImage(base + ".expected.png").convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull());
        ASSERT_EQ(copied.size(), expected.size());
        int mismatches = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) mismatches += copied.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(ImageCommands, CopyOutlivesTheWindow) {
    {
        Window w(BmpState(8, 1, 1, 1));
        w.view->OnEditCopy();
    }
    // The document and its block are gone; what was copied is still whole.
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(1, 1));
    const vorel::Dib again = vorel::Dib::Create(1, 1, 8);
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data("image/bmp").size(),
              static_cast<qsizetype>(14 + again.AllocatedSize()));
}

TEST(ImageCommands, ARefusingClipboardGetsTheMemoryMessage) {
    ScopedMessages messages;
    Window w(BmpState(8, 4, 4, 1));
    int offered = 0;
    vorel::ui::SetClipboardSink([&offered](std::unique_ptr<QMimeData>) {
        ++offered;
        return false;
    });
    w.view->OnEditCopy();
    vorel::ui::SetClipboardSink({});
    EXPECT_EQ(offered, 1);
    ASSERT_EQ(messages.service.shown.size(), 1u);
    EXPECT_EQ(messages.service.shown[0].text, QStringLiteral("ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ"));
    EXPECT_EQ(messages.service.shown[0].icon, vorel::MessageIcon::Exclamation);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
