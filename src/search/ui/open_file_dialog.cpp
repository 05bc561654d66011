#include "search/ui/open_file_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <limits>

#include "search/ui/divide_controls.h"

using vorel::Read;
using vorel::Write;
namespace settings = vorel::settings;

CMyFile95Dlg::CMyFile95Dlg(vorel::ISettingsStore& store, QWidget* parent)
    : QFileDialog(parent), m_store(store) {
    // Qt's own dialog, because a native one has no room for controls of ours.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    // Any name is taken as typed; a name that cannot be read simply yields nothing found.
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QStringLiteral("Vorelﾌｧｲﾙ (*)"));
    AddDivideControls();

    m_pDivideCheck->setChecked(Read(m_store, settings::kDivideSearch) == 1);
    m_nNumber = Read(m_store, settings::kDivideNum);
    m_nPage = Read(m_store, settings::kDividePos);
    UpdateControls();
}

void CMyFile95Dlg::AddDivideControls() {
    auto* row = new QWidget(this);
    m_pDivideCheck = new QCheckBox(QStringLiteral("分割検索"), row);
    m_pPrevButton = new QPushButton(QStringLiteral("<<"), row);
    m_pNextButton = new QPushButton(QStringLiteral(">>"), row);
    m_pWindowLabel = new QLabel(row);
    m_pWindowLabel->setMinimumWidth(
        m_pWindowLabel->fontMetrics().horizontalAdvance(QStringLiteral("ｲﾒｰｼﾞ0000000～0000000")));
    // The page buttons must not take Enter away from the dialog's Open button.
    for (QPushButton* b : {m_pPrevButton, m_pNextButton}) b->setAutoDefault(false);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(m_pDivideCheck);
    rowLayout->addWidget(m_pPrevButton);
    rowLayout->addWidget(m_pNextButton);
    rowLayout->addWidget(m_pWindowLabel);
    rowLayout->addWidget(new QLabel(QStringLiteral("を検索"), row));
    rowLayout->addStretch(1);

    // Qt's file dialog lays itself out on a grid; a row added under it keeps the standard controls above.
    if (auto* grid = dynamic_cast<QGridLayout*>(layout())) {
        grid->addWidget(row, grid->rowCount(), 0, 1, grid->columnCount());
    } else if (layout()) {
        layout()->addWidget(row);
    }

    connect(m_pDivideCheck, &QCheckBox::clicked, this, &CMyFile95Dlg::OnCheckDivide);
    connect(m_pPrevButton, &QPushButton::clicked, this, &CMyFile95Dlg::OnPrev);
    connect(m_pNextButton, &QPushButton::clicked, this, &CMyFile95Dlg::OnNext);
}

bool CMyFile95Dlg::Run() {
    return exec() == QDialog::Accepted;
}

QString CMyFile95Dlg::PathName() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void CMyFile95Dlg::UpdateControls() {
    vorel::ui::UpdatePageControls(m_pDivideCheck->isChecked(), m_nNumber, m_nPage, m_pPrevButton,
                                  m_pNextButton, m_pWindowLabel);
}

// Each click is stored at once: the choice holds even if the user then cancels.
void CMyFile95Dlg::OnCheckDivide() {
    Write(m_store, settings::kDivideSearch, m_pDivideCheck->isChecked() ? 1 : 0);
    m_nNumber = Read(m_store, settings::kDivideNum);
    m_nPage = Read(m_store, settings::kDividePos);
    UpdateControls();
}

void CMyFile95Dlg::OnPrev() {
    if (m_nPage <= 0) return;
    --m_nPage;
    Write(m_store, settings::kDividePos, m_nPage);
    m_nNumber = Read(m_store, settings::kDivideNum);
    UpdateControls();
}

void CMyFile95Dlg::OnNext() {
    if (m_nPage == std::numeric_limits<int>::max()) return;
    ++m_nPage;
    Write(m_store, settings::kDividePos, m_nPage);
    m_nNumber = Read(m_store, settings::kDivideNum);
    UpdateControls();
}
