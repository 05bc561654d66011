// One line of the image list: what a search found, as plain metadata, and the
// window that shows it while that window is open.
#pragma once

#include <QPointer>
#include <QString>
#include <QtGlobal>

#include "docview/ui/vorel_doc.h"
#include "search/image_record.h"

namespace vorel::ui {

struct ImageListEntry {
    ImageRecord record;
    QString title;            // the window's title: DATA_003, DATA_003_002
    QString file;             // the searched file as the user names it
    QString discFile;         // the disc file holding the image in a CD image ("/TEX/T003.TIM"), else empty
    qint64 discOffset = -1;   // the image's first byte in that file
    QPointer<CVorelDoc> doc;  // null once the window is closed (or never opened)
    quint64 id = 0;           // unique for the session; the thumbnail cache's key
};

// "TIM4", "TIM8", "TIM16", "TIM24", "BMP1", "BMP4", "BMP8", "BMP24".
QString KindText(const ImageRecord& record);

// Every kind, in the order the filter lists them.
inline constexpr const char* kAllKinds[] = {"TIM4", "TIM8", "TIM16", "TIM24", "BMP1", "BMP4", "BMP8", "BMP24"};

}  // namespace vorel::ui
