#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <memory>

#include "docview/ui/dib_image.h"
#include "docview/ui/hit_states.h"
#include "docview/ui/vorel_doc.h"
#include "docview/ui/vorel_view.h"
#include "search/ui/ui_test_support.h"

namespace {

using vorel::Dib;

// A DIB with the given rows, written bottom row first as the format stores them.
Dib MakeDib(int width, int height, int bits, const std::vector<std::vector<std::uint8_t>>& topDownRows,
            const std::vector<QRgb>& table = {}) {
    Dib dib = Dib::Create(width, height, bits);
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::uint8_t* e = dib.ColorEntry(i);
        e[0] = static_cast<std::uint8_t>(qBlue(table[i]));
        e[1] = static_cast<std::uint8_t>(qGreen(table[i]));
        e[2] = static_cast<std::uint8_t>(qRed(table[i]));
    }
    for (int r = 0; r < height; ++r) {
        auto row = dib.StoredRow(height - 1 - r);
        std::copy(topDownRows[r].begin(), topDownRows[r].end(), row.begin());
    }
    return dib;
}

const QRgb kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 255, 0), kBlue = qRgb(0, 0, 255),
           kWhite = qRgb(255, 255, 255), kBlack = qRgb(0, 0, 0);

struct DrawCase {
    const char* name;
    Dib dib;
    std::vector<std::vector<QRgb>> expected;  // top row first
};

std::vector<DrawCase> DrawCases() {
    return {
        {"1-bit, leftmost pixel in bit 7",
         MakeDib(3, 2, 1, {{0b10100000}, {0b01000000}}, {kRed, kBlue}),
         {{kBlue, kRed, kBlue}, {kRed, kBlue, kRed}}},
        {"4-bit, left pixel in the high nibble",
         MakeDib(3, 2, 4, {{0x01, 0x20}, {0x32, 0x10}}, {kRed, kGreen, kBlue, kWhite}),
         {{kRed, kGreen, kBlue}, {kWhite, kBlue, kGreen}}},
        {"8-bit, index past a short table is black",
         MakeDib(2, 2, 8, {{0, 1}, {2, 200}}, {kRed, kGreen, kBlue}),
         {{kRed, kGreen}, {kBlue, kBlack}}},
        {"24-bit, blue green red",
         MakeDib(2, 2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}),
         {{kRed, kGreen}, {kBlue, kWhite}}},
    };
}

QImage Render(const Dib& dib, const QRect& target, QSize canvas) {
    QImage out(canvas, QImage::Format_RGB32);
    out.fill(qRgb(1, 2, 3));
    QPainter painter(&out);
    vorel::ui::DrawDib(painter, dib, target, QRect(QPoint(0, 0), canvas));
    return out;
}

TEST(DibDrawing, EveryDepthAtRealSizeAndZoomed) {
    for (const DrawCase& c : DrawCases()) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(vorel::ui::IsDrawableDib(c.dib));
        const int w = c.dib.Width(), h = c.dib.Height();
        const QImage real = Render(c.dib, QRect(0, 0, w, h), QSize(w, h));
        const QImage zoom = Render(c.dib, QRect(0, 0, 4 * w, 4 * h), QSize(4 * w, 4 * h));
        const QImage copy = vorel::ui::DibToQImage(c.dib);
        ASSERT_EQ(copy.size(), QSize(w, h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(real.pixel(x, y), c.expected[y][x]) << x << "," << y;
                EXPECT_EQ(copy.pixel(x, y), c.expected[y][x]) << "copy " << x << "," << y;
                for (int dy = 0; dy < 4; ++dy)
                    for (int dx = 0; dx < 4; ++dx)
                        EXPECT_EQ(zoom.pixel(4 * x + dx, 4 * y + dy), c.expected[y][x])
                            << "zoom " << x << "," << y;
            }
        }
    }
}

TEST(DibDrawing, OnlyTheExposedPartIsDrawn) {
    const DrawCase c = DrawCases()[1];
    QImage out(QSize(12, 8), QImage::Format_RGB32);
    out.fill(qRgb(1, 2, 3));
    QPainter painter(&out);
    vorel::ui::DrawDib(painter, c.dib, QRect(0, 0, 12, 8), QRect(4, 4, 4, 4));  // the middle bottom pixel
    painter.end();
    EXPECT_EQ(out.pixel(5, 5), kBlue);
    EXPECT_EQ(out.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(out.pixel(11, 7), qRgb(1, 2, 3));
}

TEST(DibDrawing, BrokenOrEmptyBlocksDrawNothing) {
    Dib cut = vorel::Dib::Create(8, 8, 8);
    std::vector<std::uint8_t> bytes(cut.Bytes().begin(), cut.Bytes().end() - 1);
    cut.Assign(bytes);
    Dib sixteen = vorel::Dib::Create(2, 2, 24);
    sixteen.Data()[vorel::dibfield::kBitCount] = 16;
    for (const Dib& dib : {Dib(), cut, sixteen}) {
        EXPECT_FALSE(vorel::ui::IsDrawableDib(dib));
        const QImage out = Render(dib, QRect(0, 0, 8, 8), QSize(8, 8));
        EXPECT_EQ(out.pixel(3, 3), qRgb(1, 2, 3));
        EXPECT_TRUE(vorel::ui::DibToQImage(dib).isNull());
    }
}

TEST(DibDrawing, ConvertedCopiesOwnTheirPixels) {
    // The clipboard keeps the converted picture after the document is gone;
    // a 1 x 1 picture once came back still pointing into the DIB.
    for (int bits : {1, 4, 8, 24}) {
        for (const QSize size : {QSize(1, 1), QSize(2, 1), QSize(1, 2), QSize(3, 3)}) {
            SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " at " << bits);
            auto dib = std::make_unique<Dib>(Dib::Create(size.width(), size.height(), bits));
            const QImage image = vorel::ui::DibToQImage(*dib);
            ASSERT_FALSE(image.isNull());
            const std::uint8_t* block = dib->Data();
            const std::uint8_t* end = block + dib->AllocatedSize();
            EXPECT_FALSE(image.constBits() >= block && image.constBits() < end);
            const int before = image.pixel(0, 0);
            for (std::size_t i = dib->PixelOffset(); i < dib->AllocatedSize(); ++i) dib->Data()[i] = 0xFF;
            for (std::size_t i = vorel::kDibHeaderSize; i < dib->PixelOffset(); ++i) dib->Data()[i] = 0x55;
            EXPECT_EQ(static_cast<int>(image.pixel(0, 0)), before);
        }
    }
}

TEST(DibDrawing, ColourTableOnBorrowedRowsDoesNotCopyThem) {
    // The view relies on this to keep one copy of every image's pixels.
    std::vector<uchar> rows(16, 1);
    QImage image(rows.data(), 4, 4, 4, QImage::Format_Indexed8);
    image.setColorTable(QList<QRgb>(256, kRed));
    EXPECT_EQ(image.constBits(), rows.data());
}

// Every pixel a colour of its own: red x, green y.
Dib CoordinateDib(int width, int height) {
    Dib dib = Dib::Create(width, height, 24);
    for (int y = 0; y < height; ++y) {
        auto row = dib.StoredRow(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 1] = static_cast<std::uint8_t>(y);
            row[3 * x + 2] = static_cast<std::uint8_t>(x);
        }
    }
    return dib;
}

TEST(DibDrawing, ViewPaintsWhereItsModePutsThePicture) {
    CVorelDoc doc;
    doc.m_hDIB = CoordinateDib(200, 150);
    doc.m_nImageWidth = 200;
    doc.m_nImageHeight = 150;
    CVorelView view(&doc);
    view.resize(100, 80);
    view.show();
    view.OnInitialUpdate();
    auto shot = [&] { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); };

    // Real size, scrolled: the window's corner shows the pixel at the scroll position.
    view.horizontalScrollBar()->setValue(30);
    view.verticalScrollBar()->setValue(25);
    QImage img = shot();
    EXPECT_EQ(img.pixel(0, 0), qRgb(30, 25, 0));
    EXPECT_EQ(img.pixel(10, 20), qRgb(40, 45, 0));

    // 200 %, scrolled: each image pixel covers two by two.
    view.OnZoom(CVorelView::kZoom200);
    view.horizontalScrollBar()->setValue(40);
    view.verticalScrollBar()->setValue(20);
    img = shot();
    EXPECT_EQ(img.pixel(0, 0), qRgb(20, 10, 0));
    EXPECT_EQ(img.pixel(5, 3), qRgb(22, 11, 0));

    // Fit into 401 x 391: scale 2, a 400 x 300 picture at (0, 45), nothing above or below it.
    view.resize(401, 391);
    view.OnViewFit();
    QCoreApplication::processEvents();  // the scroll bars of 200 % go, and the fit follows the larger room
    ASSERT_EQ(QRect(view.m_nDrawX, view.m_nDrawY, view.m_nDrawWidth, view.m_nDrawHeight),
              QRect(0, 45, 400, 300));
    img = shot();
    EXPECT_EQ(img.pixel(0, 45), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(399, 344), qRgb(199, 149, 0));
    EXPECT_EQ(img.pixel(101, 95), qRgb(50, 25, 0));
    EXPECT_EQ(img.pixel(100, 44), img.pixel(400, 390)) << "above the picture: background";
    EXPECT_EQ(img.pixel(100, 345), img.pixel(400, 390)) << "below the picture: background";
}

// The corpus pictures, decoded by ImageMagick, against what the view paints at
// real size and at 200 %.
TEST(DibDrawing, CorpusTimsPaintAsTheReferenceDecoder) {
    const char* names[] = {"ball16c", "lamelotl16c", "bungirl", "bunpattern"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QString base = QStringLiteral(VOREL_TEST_DATA_DIR "/corpus/") + QLatin1String(name);
        QFile file(base + QStringLiteral(".tim"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray raw = file.readAll();
        const QImage expected =
            QImage(base + QStringLiteral(".expected.png")).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull());

        vorel::testing::RecordingStore store;
        const vorel::SearchState state =
            vorel::testing::StateForTimFile(std::vector<std::uint8_t>(raw.begin(), raw.end()));
        CVorelDoc doc;
        ASSERT_TRUE(doc.OnOpenDocument(file.fileName(), state, store));
        ASSERT_EQ(QSize(doc.m_nImageWidth, doc.m_nImageHeight), expected.size());

        CVorelView view(&doc);
        view.resize(expected.size());
        view.show();
        view.OnInitialUpdate();
        const QImage real = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(real.size(), expected.size());
        int mismatches = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) mismatches += real.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(mismatches, 0);

        view.resize(expected.size() * 2);
        view.OnZoom(CVorelView::kZoom200);
        const QImage zoom = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        mismatches = 0;
        for (int y = 0; y < zoom.height(); ++y)
            for (int x = 0; x < zoom.width(); ++x)
                mismatches += zoom.pixel(x, y) != expected.pixel(x / 2, y / 2);
        EXPECT_EQ(mismatches, 0);
    }
}

}  // namespace
