// Where the connection dialog draws its previews: a picture fitted into a
// frame's client area keeping its proportions, and the two parts of a joined
// picture inside that fitted rectangle.
#pragma once

namespace vorel {

struct PreviewRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PreviewRect&, const PreviewRect&) = default;
};

// A width x height picture in a client area of clientWidth x clientHeight:
// scale = the smaller of (cw - 1) / width and (ch - 1) / height in single
// precision, sizes rounded half up, centred with one pixel to spare. An empty
// rectangle for a picture or area without size.
PreviewRect FitPreview(int clientWidth, int clientHeight, int width, int height);

// The rectangles of A (top or left) and B (bottom or right) of a joined
// picture: side by side the picture is (aw + bw) x ah, else aw x (ah + bh).
struct JoinedPreview {
    PreviewRect whole;
    PreviewRect topLeft;
    PreviewRect bottomRight;
};
JoinedPreview LayOutJoinedPreview(int clientWidth, int clientHeight, int aWidth, int aHeight, int bWidth,
                                  int bHeight, bool sideBySide);

}  // namespace vorel
