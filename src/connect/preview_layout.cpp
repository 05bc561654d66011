#include "connect/preview_layout.h"

#include <algorithm>

namespace vorel {

PreviewRect FitPreview(int clientWidth, int clientHeight, int width, int height) {
    if (width <= 0 || height <= 0 || clientWidth <= 1 || clientHeight <= 1) return {};
    // Single precision, as the previews have always been scaled; the sum with
    // 0.5 is taken in double before it is truncated.
    const float scale = std::min(static_cast<float>(clientWidth - 1) / static_cast<float>(width),
                                 static_cast<float>(clientHeight - 1) / static_cast<float>(height));
    PreviewRect r;
    r.width = static_cast<int>(static_cast<double>(static_cast<float>(width) * scale) + 0.5);
    r.height = static_cast<int>(static_cast<double>(static_cast<float>(height) * scale) + 0.5);
    r.x = (clientWidth - r.width - 1) / 2;
    r.y = (clientHeight - r.height - 1) / 2;
    return r;
}

JoinedPreview LayOutJoinedPreview(int clientWidth, int clientHeight, int aWidth, int aHeight, int bWidth,
                                  int bHeight, bool sideBySide) {
    JoinedPreview out;
    const long long totalWidth = sideBySide ? static_cast<long long>(aWidth) + bWidth : aWidth;
    const long long totalHeight = sideBySide ? aHeight : static_cast<long long>(aHeight) + bHeight;
    if (aWidth <= 0 || aHeight <= 0 || bWidth <= 0 || bHeight <= 0 || totalWidth > 0x7FFFFFFF ||
        totalHeight > 0x7FFFFFFF)
        return out;
    out.whole = FitPreview(clientWidth, clientHeight, static_cast<int>(totalWidth), static_cast<int>(totalHeight));
    // Fractions of the whole that each part takes.
    const double aw = sideBySide ? static_cast<double>(aWidth) / static_cast<double>(totalWidth) : 1.0;
    const double ah = sideBySide ? 1.0 : static_cast<double>(aHeight) / static_cast<double>(totalHeight);
    const double bx = sideBySide ? aw : 0.0;
    const double by = sideBySide ? 0.0 : ah;
    const double bw = sideBySide ? static_cast<double>(bWidth) / static_cast<double>(totalWidth) : 1.0;
    const double bh = sideBySide ? 1.0 : static_cast<double>(bHeight) / static_cast<double>(totalHeight);
    const PreviewRect& w = out.whole;
    out.topLeft = {w.x, w.y, static_cast<int>(aw * w.width), static_cast<int>(ah * w.height)};
    out.bottomRight = {w.x + static_cast<int>(bx * w.width), w.y + static_cast<int>(by * w.height),
                       static_cast<int>(w.width * bw), static_cast<int>(w.height * bh)};
    return out;
}

}  // namespace vorel
