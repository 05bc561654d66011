#include "docview/ui/vorel_doc.h"

#include <QFile>

#include "ui/message_service.h"
#include "docview/hit_to_dib.h"
#include "docview/naming.h"

CVorelDoc::CVorelDoc(QObject* parent) : QObject(parent) {}

CVorelDoc::~CVorelDoc() = default;

bool CVorelDoc::OnOpenDocument(const QString& path, const vorel::SearchState& state,
                               const vorel::ISettingsStore& store) {
    // The document is named after a file that must still be there to be read; the
    // scan holds it open, so this fails only for a caller that passes a stale name.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        vorel::Messages().ShowMessage(QStringLiteral("ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ"), vorel::MessageIcon::Exclamation);
        return false;
    }
    file.close();

    m_record = vorel::RecordOfHit(state, QFile::encodeName(path).toStdString());
    m_nImageNo = state.m_nHitCount;
    m_nPaletteNo = state.m_nPaletteIndex;
    m_hDIB = vorel::ConvertHitToDib(state);
    if (m_hDIB.IsNull()) return false;
    m_nImageWidth = m_hDIB.Width();
    m_nImageHeight = m_hDIB.Height();
    m_nBitCount = m_hDIB.BitCount();

    // An image whose palette cannot be built still opens; it is drawn from its own colours.
    auto palette = std::make_unique<vorel::Palette>();
    if (vorel::CreateDibPalette(m_hDIB, *palette, vorel::Read(store, vorel::settings::kPaletteFlag)))
        m_pPalette = std::move(palette);
    else
        m_pPalette.reset();
    return true;
}

void CVorelDoc::SetPathName(const QString& path, const vorel::SearchState& state,
                            const vorel::ISettingsStore& store) {
    m_strFilePath = path;
    const bool paletteImages = vorel::Read(store, vorel::settings::kPaletteImage) != 0;
    const std::string name = vorel::BuildImagePathName(path.toStdString(), m_nImageNo, m_nPaletteNo,
                                                       paletteImages, state.m_nPaletteCount);
    m_strPathName = QString::fromStdString(name);
    SetTitle(QString::fromStdString(vorel::TitleOfPathName(name)));
}

void CVorelDoc::SetTitle(const QString& title) {
    if (m_strTitle == title) return;
    m_strTitle = title;
    emit titleChanged(m_strTitle);
}

bool CVorelDoc::RefreshImageSize() {
    if (m_hDIB.IsNull() || m_hDIB.AllocatedSize() < vorel::kDibHeaderSize) {
        vorel::Messages().ShowMessage(QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ回転ｴﾗｰ"), vorel::MessageIcon::Exclamation);
        return false;
    }
    m_nImageWidth = m_hDIB.Width();
    m_nImageHeight = m_hDIB.Height();
    return true;
}
