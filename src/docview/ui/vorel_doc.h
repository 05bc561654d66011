// One found image: its packed DIB, the palette built for it, and the numbered
// name (DATA.BIN, image 3 -> DATA_003) its window shows. A document is made
// while a scan waits for it and keeps nothing of the scan's hit buffer.
// A default-constructed document (File > New) has no DIB and no palette.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "image/dib.h"
#include "image/palette.h"
#include "search/image_record.h"
#include "search/search_state.h"
#include "search/settings.h"

class CVorelDoc : public QObject {
    Q_OBJECT
  public:
    explicit CVorelDoc(QObject* parent = nullptr);
    ~CVorelDoc() override;

    // Builds the DIB and palette from the current hit of `state`. False (the
    // document holds no DIB then) when `path` cannot be opened or the hit
    // cannot become an image; a palette that cannot be built is not a failure.
    bool OnOpenDocument(const QString& path, const vorel::SearchState& state,
                        const vorel::ISettingsStore& store);
    // Remembers the searched file and names the document after it, the image
    // number and, for palette images, the palette number. The caller adds
    // `path` itself to the recent-file list.
    void SetPathName(const QString& path, const vorel::SearchState& state,
                     const vorel::ISettingsStore& store);
    QString GetPathName() const { return m_strPathName; }
    QString GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);  // for documents that were never opened (File > New)
    QString GetFilePath() const { return m_strFilePath; }
    // A document is never modified: closing its window never asks to save.
    bool IsModified() const { return false; }

    // Takes the width and height from the DIB after a rotation; with no DIB it
    // shows "ﾋﾞｯﾄﾏｯﾌﾟ回転ｴﾗｰ", changes nothing and returns false.
    bool RefreshImageSize();

    // Read directly by the view, the transforms, the writers and the connection dialog.
    int m_nBitCount = 0;
    int m_nImageWidth = 1;
    int m_nImageHeight = 1;
    vorel::Dib m_hDIB;
    std::unique_ptr<vorel::Palette> m_pPalette;  // null when the image has none
    int m_nImageNo = 0;
    int m_nPaletteNo = 0;
    QString m_strFilePath;
    // Where the image was found, to find it there again; sourceType 0 for a
    // document that was never searched (File > New).
    vorel::ImageRecord m_record;

  signals:
    void titleChanged(const QString& title);

  private:
    QString m_strPathName;
    QString m_strTitle;
};
