// The core's quarter turns and flips against QImage's own rotation and
// mirroring of the same decoded picture, for every bit depth, odd widths and
// a long random run of commands.
#include <gtest/gtest.h>

#include <QImage>
#include <QTransform>
#include <random>
#include <string>

#include "docview/transform.h"
#include "docview/ui/dib_image.h"

namespace {

using vorel::Dib;
using vorel::TransformOutcome;

enum class Op { Left, Right, Flip, Mirror };
const char* Name(Op op) {
    switch (op) {
        case Op::Left: return "left";
        case Op::Right: return "right";
        case Op::Flip: return "flip";
        case Op::Mirror: return "mirror";
    }
    return "";
}

TransformOutcome Apply(Op op, Dib& dib) {
    switch (op) {
        case Op::Left: return vorel::RotateLeft(dib);
        case Op::Right: return vorel::RotateRight(dib);
        case Op::Flip: return vorel::FlipVertical(dib);
        case Op::Mirror: return vorel::Mirror(dib);
    }
    return TransformOutcome::NoImage;
}

// The picture as QImage sees it, indexed images widened to one byte per pixel.
QImage Picture(const Dib& dib) {
    QImage image = vorel::ui::DibToQImage(dib);
    if (image.format() == QImage::Format_Mono) image = image.convertToFormat(QImage::Format_Indexed8);
    return image;
}

QImage Model(Op op, const QImage& image) {
    switch (op) {
        case Op::Left: return image.transformed(QTransform().rotate(-90));  // counter-clockwise on screen
        case Op::Right: return image.transformed(QTransform().rotate(90));
        case Op::Flip: return image.mirrored(false, true);
        case Op::Mirror: return image.mirrored(true, false);
    }
    return {};
}

// Same size, same colour table, same colour index (or colour) at every pixel.
::testing::AssertionResult SamePicture(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height() << ", expected "
                                             << expected.width() << "x" << expected.height();
    const bool indexed = expected.format() == QImage::Format_Indexed8;
    if (indexed != (actual.format() == QImage::Format_Indexed8))
        return ::testing::AssertionFailure() << "format " << actual.format() << ", expected " << expected.format();
    if (indexed && expected.colorTable() != actual.colorTable()) return ::testing::AssertionFailure() << "colour table";
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const bool same = indexed ? expected.pixelIndex(x, y) == actual.pixelIndex(x, y)
                                      : expected.pixel(x, y) == actual.pixel(x, y);
            if (!same)
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << "): " << (indexed ? actual.pixelIndex(x, y) : int(actual.pixel(x, y)))
                       << ", expected " << (indexed ? expected.pixelIndex(x, y) : int(expected.pixel(x, y)));
        }
    }
    return ::testing::AssertionSuccess();
}

Dib RandomDib(int w, int h, int bits, std::mt19937& rng) {
    Dib dib = Dib::Create(w, h, bits);
    for (std::size_t i = vorel::kDibHeaderSize; i < dib.AllocatedSize(); ++i)
        dib.Data()[i] = static_cast<std::uint8_t>(rng());
    return dib;
}

bool Turns(Op op) {
    return op == Op::Left || op == Op::Right;
}

TEST(TransformModel, EveryCommandOnEveryDepthMatchesQImage) {
    std::mt19937 rng(20261207);
    const int widths[] = {1, 2, 3, 5, 7, 8, 9, 16, 33};
    const int heights[] = {1, 2, 5};
    for (int bits : {1, 4, 8, 24}) {
        for (int w : widths) {
            for (int h : heights) {
                for (Op op : {Op::Left, Op::Right, Op::Flip, Op::Mirror}) {
                    SCOPED_TRACE(::testing::Message() << Name(op) << " of " << w << "x" << h << " at " << bits);
                    Dib dib = RandomDib(w, h, bits, rng);
                    const QImage before = Picture(dib);
                    const Dib unchanged = dib;
                    const TransformOutcome outcome = Apply(op, dib);
                    if (Turns(op) && bits < 8) {
                        EXPECT_EQ(outcome, TransformOutcome::Unsupported);
                        EXPECT_EQ(dib, unchanged);
                        continue;
                    }
                    ASSERT_EQ(outcome, TransformOutcome::Done);
                    EXPECT_TRUE(SamePicture(Model(op, before), Picture(dib)));
                }
            }
        }
    }
}

TEST(TransformModel, FiftyRandomCommandsInARowMatchQImage) {
    std::mt19937 rng(8);
    const struct {
        int w, h, bits;
    } images[] = {{7, 5, 8}, {13, 4, 24}, {9, 3, 4}, {5, 7, 1}, {1, 9, 8}};
    for (const auto& start : images) {
        Dib dib = RandomDib(start.w, start.h, start.bits, rng);
        QImage model = Picture(dib);
        std::string done;
        for (int i = 0; i < 50; ++i) {
            const Op op = static_cast<Op>(rng() % 4);
            done += std::string(Name(op)) + " ";
            SCOPED_TRACE(::testing::Message() << start.w << "x" << start.h << " at " << start.bits << ": " << done);
            const TransformOutcome outcome = Apply(op, dib);
            if (Turns(op) && start.bits < 8) {
                ASSERT_EQ(outcome, TransformOutcome::Unsupported);
                continue;
            }
            ASSERT_EQ(outcome, TransformOutcome::Done);
            model = Model(op, model);
            ASSERT_TRUE(SamePicture(model, Picture(dib)));
            ASSERT_TRUE(dib.IsConsistent());
        }
    }
}

}  // namespace
