// The provenance text of an exported PNG: what is written reads back, and text
// that is not quite ours counts as no chunk at all.
#include "export/png_provenance.h"

#include <gtest/gtest.h>

namespace vorel {
namespace {

TEST(PngProvenance, WrittenTextReadsBackAndOtherTextIsNoChunk) {
    const PngProvenance p{"GAME; 2.BIN", 0x1F0, "TIM16", 320, 240, 153622, 0, true};
    const std::string text = FormatProvenance(p);
    EXPECT_EQ(text, "offset=496; kind=TIM16; width=320; height=240; bytes=153622; palette=0; alpha=1; "
                    "file=GAME; 2.BIN");
    EXPECT_EQ(ParseProvenance(text), p);

    const std::string kOk = "offset=1; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=0; file=a";
    ASSERT_TRUE(ParseProvenance(kOk));
    for (const char* bad : {
             "", "file=a", "offset=1; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=0",
             "offset=-1; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=0; file=a",
             "offset=1; kind=PNG8; width=2; height=3; bytes=9; palette=0; alpha=0; file=a",
             "offset=1; kind=BMP8; width=0; height=3; bytes=9; palette=0; alpha=0; file=a",
             "offset=1x; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=0; file=a",
             "offset=1; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=2; file=a",
             "offset=1; offset=1; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=0; file=a",
             "offset=1; kind=BMP8; width=99999999999; height=3; bytes=9; palette=0; alpha=0; file=a",
             "offset=1; kind=BMP8; width=2; height=3; bytes=9; palette=0; alpha=0; file=",
         }) {
        EXPECT_FALSE(ParseProvenance(bad)) << bad;
    }
}

}  // namespace
}  // namespace vorel
