// What the three search-settings dialogs share: the divided-search page
// buttons and label, and the strict reading of a digits-only text.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vorel::ui {

// The value of a text made of the digits 0-9 only (no sign, space, point or
// full-width digit); nullopt otherwise. A digit string too long for 32 bits is
// still a number: it reads as the 32-bit maximum, so a range check refuses it
// and a store never receives a wrapped value.
std::optional<int> ParseDigitsOnly(const QString& text);

// The images-per-read number the page label shows for a typed text: its
// leading decimal integer as the C library reads it, held to the 32-bit range.
std::int64_t LeadingIntForLabel(const QString& text);

// "ｲﾒｰｼﾞ%d～%d" for the window num x page + 1 ... num x (page + 1) (64-bit, so it cannot wrap).
QString DivideLabelText(std::int64_t num, std::int64_t page);

// When divided search is on: "<<" enabled only above page 0, ">>" enabled
// (except at the largest storable page), label = the window; off: both
// buttons disabled and the label empty.
void UpdatePageControls(bool divided, std::int64_t num, int page, QPushButton* prev, QPushButton* next,
                        QLabel* label);

// The rows both settings dialogs end with: "分割検索" with the images-per-read
// number, the page buttons with the window label, and OK / "ｷｬﾝｾﾙ".
struct DivideWidgets {
    QCheckBox* divideCheck = nullptr;
    QLineEdit* numberEdit = nullptr;
    QPushButton* prevButton = nullptr;
    QPushButton* nextButton = nullptr;
    QLabel* windowLabel = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QHBoxLayout* divideRow = nullptr;
    QHBoxLayout* pageRow = nullptr;
    QHBoxLayout* buttonRow = nullptr;
};
DivideWidgets MakeDivideWidgets(QWidget* parent);

}  // namespace vorel::ui
