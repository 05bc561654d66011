// The about box: the program's name and version, who makes it, and three
// lines about this machine worked out anew each time it opens.
#pragma once

#include <QDialog>
#include <functional>

#include "app/about_info.h"

class QLabel;

class CAboutBox : public QDialog {
    Q_OBJECT
  public:
    using FigureSource = std::function<vorel::app::SystemFigures()>;
    // Without a source the figures are this machine's, the disk ones for the current folder.
    explicit CAboutBox(QWidget* parent = nullptr, FigureSource figures = {});

    // "Vorel   Version 0.1.0": the version the build gives the whole project.
    static QString VersionLine();

    QLabel* OsLabel() const { return m_pOs; }
    QLabel* DiskLabel() const { return m_pDisk; }
    QLabel* MemoryLabel() const { return m_pMemory; }

  private:
    QLabel* m_pOs = nullptr;
    QLabel* m_pDisk = nullptr;
    QLabel* m_pMemory = nullptr;
};
