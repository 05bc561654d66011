// The image connection dialog: the user picks a first image among the open
// documents, a second one that shares its bit depth and its width or height,
// and the side the second goes to; looks at the joined picture and saves it.
//
// State: nothing chosen -> first chosen (the candidates listed) -> pair
// chosen (the directions the pair allows, "ﾌﾟﾚﾋﾞｭｰ") -> previewed ("保存").
// A new first image returns to "first chosen", a new second image or a
// direction click to "pair chosen".
#pragma once

#include <QDialog>
#include <QList>
#include <array>
#include <functional>
#include <vector>

#include "connect/join.h"

class QButtonGroup;
class QComboBox;
class QPushButton;
class QRadioButton;
class CPreviewFrame;
class CVorelDoc;

class CImageConnectDlg : public QDialog {
    Q_OBJECT
  public:
    // The open documents in their enumeration order, asked anew by every handler:
    // a document is found by its index in it.
    using DocumentList = std::function<QList<CVorelDoc*>()>;

    explicit CImageConnectDlg(DocumentList documents, QWidget* parent = nullptr);

    // The controls, for the tests and the accessibility tree.
    QComboBox* FirstList() const { return m_pFirstList; }
    QComboBox* SecondList() const { return m_pSecondList; }
    QRadioButton* DirectionButton(vorel::JoinDirection d) const { return m_directions[static_cast<int>(d)]; }
    QPushButton* PreviewButton() const { return m_pPreview; }
    QPushButton* SaveButton() const { return m_pSave; }
    QPushButton* CancelButton() const { return m_pCancel; }
    CPreviewFrame* FirstFrame() const { return m_pFirstFrame; }
    CPreviewFrame* SecondFrame() const { return m_pSecondFrame; }
    CPreviewFrame* JoinedFrame() const { return m_pJoinedFrame; }

    // Index in the document list of each candidate of the second list.
    const std::vector<int>& CandidateDocuments() const { return m_nCandidateDoc; }

    // Redraws every preview from the current choices and, with a direction
    // checked, previews it again (which enables "保存"). Run when the dialog
    // comes back to the front; it shows no message, so a document that cannot
    // be drawn cannot bring a message back each time the message closes.
    // `previewDirection` false redraws the two images and leaves the joined
    // preview empty and "保存" disabled.
    void Repaint(bool previewDirection = true);

  public slots:
    void OnSelchangeFirst();
    void OnSelchangeSecond();
    void OnDirection();
    void OnPreview();
    // "保存": asks for a file, joins the pair and writes it; closes the dialog
    // once the file is written, stays open otherwise.
    void SaveJoinedImage();

  protected:
    bool event(QEvent* event) override;

  private:
    void UpdateData();  // the controls into m_nFirst, m_nSecond, m_nDirection
    CVorelDoc* DocumentAt(int index) const;
    CVorelDoc* SecondDocument() const;
    bool ShowFirst(bool quiet);
    bool ShowSecond(bool quiet);
    bool Preview(bool quiet);
    void SetDirectionsEnabled(bool aboveBelow, bool leftRight);
    void ForgetFirst();
    void Message(const char* utf8);

    DocumentList m_documents;
    QComboBox* m_pFirstList = nullptr;
    QComboBox* m_pSecondList = nullptr;
    CPreviewFrame* m_pFirstFrame = nullptr;
    CPreviewFrame* m_pSecondFrame = nullptr;
    CPreviewFrame* m_pJoinedFrame = nullptr;
    QButtonGroup* m_pDirectionGroup = nullptr;
    std::array<QRadioButton*, 4> m_directions{};
    QPushButton* m_pPreview = nullptr;
    QPushButton* m_pSave = nullptr;
    QPushButton* m_pCancel = nullptr;

  public:
    int m_nFirst = -1;
    int m_nSecond = -1;
    int m_nDirection = -1;
    int m_nFirstWidth = 0;
    int m_nFirstHeight = 0;
    std::vector<int> m_nCandidateDoc;

  private:
    // A direction was clicked while another window (a message box just closed)
    // was still the active one: the activation that follows comes from that
    // click and must not preview it.
    bool m_bDirectionClickedInactive = false;
};
