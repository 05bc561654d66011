#include "app/about_box.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#ifndef VOREL_VERSION
#error "VOREL_VERSION comes from the project's version in CMakeLists.txt"
#endif

namespace {

QLabel* Text(const QString& text, QWidget* parent, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(align);
    return label;
}

}  // namespace

QString CAboutBox::VersionLine() {
    return QStringLiteral("Vorel   Version ") + QStringLiteral(VOREL_VERSION);
}

CAboutBox::CAboutBox(QWidget* parent, FigureSource figures) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Vorel(Vorel)ﾊﾞｰｼﾞｮﾝ情報"));
    setObjectName(QStringLiteral("AboutBox"));
    auto* grid = new QGridLayout(this);

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/vorel.svg")).pixmap(32, 32));
    icon->setAccessibleName(QStringLiteral("Vorel"));
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(Text(VersionLine(), this), 0, 1, 1, 2);
    grid->addWidget(Text(QStringLiteral("TIM・BMP ｲﾒｰｼﾞ検索ﾋﾞｭｰｱ"), this, Qt::AlignRight), 1, 1, 1, 2);
    grid->addWidget(Text(QStringLiteral("Vorel 開発ﾁｰﾑ"), this, Qt::AlignRight), 2, 1, 1, 2);

    const vorel::app::SystemFigures f =
        figures ? figures() : vorel::app::ReadSystemFigures(QDir::currentPath());
    m_pOs = Text(vorel::app::OsLine(f), this);
    m_pOs->setWordWrap(true);
    m_pOs->setMinimumHeight(2 * m_pOs->fontMetrics().lineSpacing());
    m_pOs->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(m_pOs, 3, 0, 1, 3);
    m_pDisk = Text(vorel::app::DiskLine(f), this);
    m_pMemory = Text(vorel::app::MemoryLine(f), this);
    grid->addWidget(Text(QStringLiteral("Disk"), this), 4, 0);
    grid->addWidget(m_pDisk, 4, 1, 1, 2);
    grid->addWidget(Text(QStringLiteral("Memory"), this), 5, 0);
    grid->addWidget(m_pMemory, 5, 1);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setAccessibleName(QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    grid->addWidget(ok, 5, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    setMinimumWidth(360);
}
