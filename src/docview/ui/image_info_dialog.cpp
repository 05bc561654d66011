#include "docview/ui/image_info_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "disc/disc_map.h"
#include "docview/naming.h"
#include "docview/ui/vorel_doc.h"

CImageInfoDlg::CImageInfoDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ｲﾒｰｼﾞ情報"));
    const QString captions[kRowCount] = {QStringLiteral("ﾌｧｲﾙ名:"), QStringLiteral("ｻｲｽﾞ:"),
                                         QStringLiteral("COLOR数:"), QStringLiteral("ｲﾒｰｼﾞ番号:"),
                                         QStringLiteral("ﾊﾟﾚｯﾄ番号:"), QStringLiteral("ﾃﾞｨｽｸ内ﾌｧｲﾙ:")};
    auto* grid = new QGridLayout;
    for (int row = 0; row < kRowCount; ++row) {
        auto* caption = new QLabel(captions[row], this);
        caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_values[row] = new QLabel(this);
        // A screen reader announces each value with what it is.
        m_values[row]->setAccessibleDescription(captions[row]);
        m_values[row]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_values[row]->setMinimumWidth(m_values[row]->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 14);
        grid->addWidget(caption, row, 0);
        grid->addWidget(m_values[row], row, 1);
    }
    grid->setColumnStretch(1, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CImageInfoDlg::FileNameOf(const QString& path) {
    return QString::fromStdString(vorel::TitleOfPathName(path.toStdString()));
}

QString CImageInfoDlg::ColorsText(int bitCount) {
    switch (bitCount) {
        case 1:
            return QString::number(2);
        case 4:
            return QString::number(16);
        case 8:
            return QString::number(256);
        case 24:
            return QStringLiteral("16M");
        default:
            return QStringLiteral("COLOR数不明");
    }
}

void CImageInfoDlg::SetFromDocument(const CVorelDoc& doc) {
    m_strFileName = FileNameOf(doc.GetFilePath());
    m_strSize = QStringLiteral("横%1dot×縦%2dot").arg(doc.m_nImageWidth).arg(doc.m_nImageHeight);
    m_strColors = ColorsText(doc.m_nBitCount);
    m_strImageNo = QString::number(doc.m_nImageNo);
    // 0-based here, while the window title counts palettes from 1.
    m_strPaletteNo = QString::number(doc.m_nPaletteNo);
    m_strDiscFile = doc.m_strDiscFile.isEmpty()
                        ? QString()
                        : QString::fromStdString(vorel::LongDiscText(doc.m_strDiscFile.toStdString(), doc.m_nDiscFileOffset));
    UpdateControls();
}

void CImageInfoDlg::UpdateControls() {
    const QString* texts[kRowCount] = {&m_strFileName, &m_strSize,     &m_strColors,
                                       &m_strImageNo,  &m_strPaletteNo, &m_strDiscFile};
    for (int row = 0; row < kRowCount; ++row) m_values[row]->setText(*texts[row]);
}

void CImageInfoDlg::showEvent(QShowEvent* event) {
    UpdateControls();
    QDialog::showEvent(event);
}
