#include "search/ui/divide_controls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <limits>

namespace vorel::ui {

std::optional<int> ParseDigitsOnly(const QString& text) {
    if (text.isEmpty()) return std::nullopt;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const QChar c : text) {
        // Only ASCII digits: QChar::isDigit would also take full-width and other scripts' digits.
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = std::min<std::int64_t>(value * 10 + (c.unicode() - '0'), kMax);
    }
    return static_cast<int>(value);
}

std::int64_t LeadingIntForLabel(const QString& text) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    qsizetype i = 0;
    while (i < text.size() &&
           (text[i] == QLatin1Char(' ') || (text[i] >= QLatin1Char('\t') && text[i] <= QLatin1Char('\r'))))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        // Saturate rather than wrap, so an over-long number shows the largest window, not a wrapped one.
        value = std::min<std::int64_t>(value * 10 + (text[i].unicode() - '0'), kMax + 1);
    }
    if (negative) value = -value;
    return std::clamp(value, kMin, kMax);
}

QString DivideLabelText(std::int64_t num, std::int64_t page) {
    return QStringLiteral("ｲﾒｰｼﾞ%1～%2").arg(num * page + 1).arg(num * (page + 1));
}

void UpdatePageControls(bool divided, std::int64_t num, int page, QPushButton* prev, QPushButton* next,
                        QLabel* label) {
    if (divided) {
        prev->setEnabled(page > 0);
        // The page is stored as a 32-bit integer: one more would not fit.
        next->setEnabled(page < std::numeric_limits<int>::max());
        label->setText(DivideLabelText(num, page));
    } else {
        prev->setEnabled(false);
        next->setEnabled(false);
        label->clear();
    }
}

DivideWidgets MakeDivideWidgets(QWidget* parent) {
    DivideWidgets w;
    w.divideCheck = new QCheckBox(QStringLiteral("分割検索"), parent);
    w.numberEdit = new QLineEdit(parent);
    w.divideRow = new QHBoxLayout;
    w.divideRow->addWidget(w.divideCheck);
    w.divideRow->addWidget(w.numberEdit);
    auto* numberLabel = new QLabel(QStringLiteral("ｲﾒｰｼﾞ/Read"), parent);
    // The number is named after the label beside it, and described by the box it belongs to.
    numberLabel->setBuddy(w.numberEdit);
    w.numberEdit->setAccessibleName(numberLabel->text());
    w.numberEdit->setAccessibleDescription(w.divideCheck->text());
    w.divideRow->addWidget(numberLabel);
    w.divideRow->addStretch(1);

    w.prevButton = new QPushButton(QStringLiteral("<<"), parent);
    w.nextButton = new QPushButton(QStringLiteral(">>"), parent);
    w.windowLabel = new QLabel(parent);
    w.windowLabel->setMinimumWidth(
        w.windowLabel->fontMetrics().horizontalAdvance(QStringLiteral("ｲﾒｰｼﾞ0000000～0000000")));
    w.pageRow = new QHBoxLayout;
    w.pageRow->addWidget(w.prevButton);
    w.pageRow->addWidget(w.nextButton);
    w.pageRow->addWidget(w.windowLabel, 1);
    w.pageRow->addWidget(new QLabel(QStringLiteral("を検索"), parent));
    for (QPushButton* b : {w.prevButton, w.nextButton}) b->setAutoDefault(false);

    w.okButton = new QPushButton(QStringLiteral("OK"), parent);
    w.cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), parent);
    w.okButton->setDefault(true);
    w.buttonRow = new QHBoxLayout;
    w.buttonRow->addStretch(1);
    w.buttonRow->addWidget(w.okButton);
    w.buttonRow->addWidget(w.cancelButton);
    return w;
}

}  // namespace vorel::ui
