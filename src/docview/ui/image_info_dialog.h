// The "ｲﾒｰｼﾞ情報" box: where an image came from, its size, its number of
// colours, its image and palette numbers, and the disc file that holds it. It
// only shows; nothing is read back.
#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class CVorelDoc;

class CImageInfoDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CImageInfoDlg(QWidget* parent = nullptr);

    // Fills the six texts from a document (an empty File > New document too).
    void SetFromDocument(const CVorelDoc& doc);

    // The part of a path after its last "/" or "\\"; the whole path when it has neither.
    static QString FileNameOf(const QString& path);
    // "2", "16", "256", "16M", or "COLOR数不明" for any other bit depth.
    static QString ColorsText(int bitCount);

    // The six texts, as the box shows them.
    QString m_strFileName;
    QString m_strSize;
    QString m_strColors;
    QString m_strImageNo;
    QString m_strPaletteNo;
    QString m_strDiscFile;  // "/TEX/T003.TIM (+0x1F0)"; empty for a file that is no CD image

    QLabel* ValueLabel(int row) const { return m_values[row]; }  // 0 file name ... 4 palette number, 5 disc file
    static constexpr int kRowCount = 6;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void UpdateControls();
    QLabel* m_values[kRowCount] = {};
};
