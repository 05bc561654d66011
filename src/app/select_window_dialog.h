// The window chooser behind "More windows" at the end of the Window menu: the
// menu names only the first nine image windows, and a disc image can open
// thousands.
#pragma once

#include <QDialog>
#include <QList>
#include <QPointer>

class CChildFrame;
class QListWidget;

class CSelectWindowDlg : public QDialog {
    Q_OBJECT
  public:
    CSelectWindowDlg(const QList<CChildFrame*>& frames, const CChildFrame* active, QWidget* parent = nullptr);

    // The window picked, or null when it has closed meanwhile or none is picked.
    CChildFrame* Selected() const;
    QListWidget* List() const { return m_pList; }

  private:
    QList<QPointer<CChildFrame>> m_frames;
    QListWidget* m_pList = nullptr;
};
