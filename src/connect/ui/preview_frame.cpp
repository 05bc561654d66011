#include "connect/ui/preview_frame.h"

#include <QPaintEvent>
#include <QPainter>

#include "docview/ui/dib_image.h"

CPreviewFrame::CPreviewFrame(const QSize& clientSize, const QString& accessibleName, QWidget* parent)
    : QWidget(parent) {
    setFixedSize(clientSize);
    setAccessibleName(accessibleName);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CPreviewFrame::Clear() {
    m_pFirst = m_pSecond = nullptr;
    m_first = m_second = {};
    update();
}

void CPreviewFrame::ShowImage(const vorel::Dib* dib, int width, int height) {
    m_pFirst = dib;
    m_pSecond = nullptr;
    m_first = vorel::FitPreview(this->width(), this->height(), width, height);
    m_second = {};
    update();
}

void CPreviewFrame::ShowJoined(const vorel::Dib* topLeft, int aWidth, int aHeight, const vorel::Dib* bottomRight,
                               int bWidth, int bHeight, bool sideBySide) {
    const vorel::JoinedPreview layout =
        vorel::LayOutJoinedPreview(width(), height(), aWidth, aHeight, bWidth, bHeight, sideBySide);
    m_pFirst = topLeft;
    m_pSecond = bottomRight;
    m_first = layout.topLeft;
    m_second = layout.bottomRight;
    update();
}

void CPreviewFrame::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    // Each picture with its own colour table, stretched nearest-pixel.
    auto draw = [&](const vorel::Dib* dib, const vorel::PreviewRect& r) {
        if (dib) vorel::ui::DrawDib(painter, *dib, QRect(r.x, r.y, r.width, r.height), event->rect());
    };
    draw(m_pFirst, m_first);
    draw(m_pSecond, m_second);
}
