#include "list/ui/image_list_filter_bar.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QToolButton>
#include <iterator>

#include "list/ui/image_list_entry.h"
#include "list/ui/image_list_filter.h"

namespace vorel::ui {

CImageListFilterBar::CImageListFilterBar(CImageListFilter& filter, QWidget* parent)
    : QWidget(parent), filter_(filter) {
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("ImageListFilterText"));
    text_->setPlaceholderText(QStringLiteral("ﾀｲﾄﾙ・ﾌｧｲﾙ名"));
    text_->setAccessibleName(QStringLiteral("絞り込み"));
    text_->setClearButtonEnabled(true);
    connect(text_, &QLineEdit::textChanged, this, [this](const QString& text) { filter_.SetText(text); });

    kinds_ = new QToolButton(this);
    kinds_->setObjectName(QStringLiteral("ImageListKinds"));
    kinds_->setText(QStringLiteral("種類"));
    kinds_->setAccessibleName(kinds_->text());
    kinds_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(kinds_);
    for (const char* kind : kAllKinds) {
        QAction* toggle = menu->addAction(QString::fromLatin1(kind));
        toggle->setCheckable(true);
        toggle->setChecked(true);
        const QString name = toggle->text();
        connect(toggle, &QAction::toggled, this, [this, name](bool on) {
            filter_.SetKindShown(name, on);
            ShowKindsFiltered();
        });
    }
    kinds_->setMenu(menu);

    auto* label = new QLabel(QStringLiteral("最小"), this);
    minimum_ = new QSpinBox(this);
    minimum_->setObjectName(QStringLiteral("ImageListMinimumSize"));
    minimum_->setRange(0, 4096);
    minimum_->setSpecialValueText(QStringLiteral("なし"));
    minimum_->setSuffix(QStringLiteral(" dot"));
    minimum_->setAccessibleName(QStringLiteral("最小ｻｲｽﾞ"));
    minimum_->setToolTip(QStringLiteral("幅か高さがこれより小さいｲﾒｰｼﾞを隠します"));
    label->setBuddy(minimum_);
    connect(minimum_, &QSpinBox::valueChanged, this, [this](int size) { filter_.SetMinimumSize(size); });

    // Two rows, so the dock can stay narrow beside the windows.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    auto* row = new QHBoxLayout;
    row->addWidget(kinds_);
    row->addStretch(1);
    row->addWidget(label);
    row->addWidget(minimum_);
    layout->addLayout(row);
}

void CImageListFilterBar::ShowKindsFiltered() {
    // A kind left out hides entries as much as the text does, so the button says so.
    int shown = 0;
    for (const char* kind : kAllKinds) shown += filter_.IsKindShown(QString::fromLatin1(kind)) ? 1 : 0;
    constexpr int kKinds = static_cast<int>(std::size(kAllKinds));
    const QString text = shown == kKinds ? QStringLiteral("種類") : QStringLiteral("種類 (%1/%2)").arg(shown).arg(kKinds);
    kinds_->setText(text);
    kinds_->setAccessibleName(text);
    QFont font = kinds_->font();
    font.setBold(shown != kKinds);
    kinds_->setFont(font);
}

}  // namespace vorel::ui
