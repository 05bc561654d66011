#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <limits>

#include "search/ui/divide_search_dialog.h"
#include "search/ui/search_set_dialog.h"
#include "search/ui/ui_test_support.h"

namespace {

using vorel::MessageIcon;
using vorel::Read;
using vorel::Write;
using vorel::testing::RecordingStore;
using vorel::testing::ScopedMessages;
namespace settings = vorel::settings;

const QString kMemoryCheck = QStringLiteral("読込ﾒﾓﾘｻｲｽﾞを確認してください");
const QString kMemoryRange = QStringLiteral("読込ﾒﾓﾘｻｲｽﾞは1MB～10MBの範囲で設定してください");
const QString kNumberCheck = QStringLiteral("分割検索ｲﾒｰｼﾞ数を確認してください");

enum class Focus { None, Memory, Number };

struct OkCase {
    const char* name;
    QString memory;
    QString number;
    QString message;  // empty: accepted
    Focus focus;
    int storedNumber = 0;  // "dividenum" after an accepted OK
};

TEST(SearchSetDialog, OkValidatesInOrderAndWritesNothingOnFailure) {
    const OkCase cases[] = {
        {"010 stored as typed", "010", "50", {}, Focus::None, 50},
        {"1 and 10 are the limits", "10", "0", {}, Focus::None, 0},
        {"many leading zeros", "000000000000000000001", "50", {}, Focus::None, 50},
        {"zero", "0", "50", kMemoryRange, Focus::Memory},
        {"eleven", "11", "50", kMemoryRange, Focus::Memory},
        {"empty", "", "50", kMemoryCheck, Focus::Memory},
        {"decimal point", "1.5", "50", kMemoryCheck, Focus::Memory},
        {"leading space", " 1", "50", kMemoryCheck, Focus::Memory},
        {"sign", "+1", "50", kMemoryCheck, Focus::Memory},
        {"full-width digit", "１", "50", kMemoryCheck, Focus::Memory},
        // 2^32 + 5 would read as 5 if it wrapped; it is all digits, so the range check refuses it.
        {"too long for 32 bits", "4294967301", "50", kMemoryRange, Focus::Memory},
        {"far too long", "99999999999999999999999", "50", kMemoryRange, Focus::Memory},
        {"memory before number", "0", "", kMemoryRange, Focus::Memory},
        {"number empty", "1", "", kNumberCheck, Focus::Number},
        {"number negative", "1", "-1", kNumberCheck, Focus::Number},
        {"number with space", "1", "5 ", kNumberCheck, Focus::Number},
        // All digits is a valid number however long; 2^32 + 50 must not be stored as 50.
        {"number too long", "1", "4294967346", {}, Focus::None, 2147483647},
        {"number just fits", "1", "2147483647", {}, Focus::None, 2147483647},
        {"number one past", "1", "2147483648", {}, Focus::None, 2147483647},
    };
    for (const OkCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedMessages messages;
        RecordingStore store;
        CSearchSetDlg dlg(store);
        dlg.show();
        dlg.MemoryEdit()->setText(c.memory);
        dlg.NumberEdit()->setText(c.number);
        dlg.OkButton()->click();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages.service.shown.empty());
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
            EXPECT_EQ(Read(store, settings::kReadMemorySize), c.memory.toStdString());
            EXPECT_EQ(Read(store, settings::kDivideNum), c.storedNumber);
            continue;
        }
        ASSERT_EQ(messages.service.shown.size(), 1u);
        EXPECT_EQ(messages.service.shown[0].text, c.message);
        EXPECT_EQ(messages.service.shown[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(store.writes.empty());
        EXPECT_TRUE(dlg.isVisible()) << "the dialog stays open";
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.focusWidget(), c.focus == Focus::Memory ? dlg.MemoryEdit() : dlg.NumberEdit());
    }
}

TEST(SearchSetDialog, ShowsTheStoreAndWritesEveryKeyInOrderOnOk) {
    ScopedMessages messages;
    RecordingStore store;
    Write(store, settings::kReadMemorySize, "3");
    Write(store, settings::kSearchType, 1);
    Write(store, settings::kPaletteImage, 1);
    Write(store, settings::kDivideSearch, 1);
    Write(store, settings::kDivideNum, 20);
    Write(store, settings::kDividePos, 2);
    store.writes.clear();

    CSearchSetDlg dlg(store);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("検索設定"));
    EXPECT_EQ(dlg.MemoryEdit()->text(), QStringLiteral("3"));
    EXPECT_TRUE(dlg.SearchTypeButton(1)->isChecked());
    EXPECT_TRUE(dlg.PaletteImageCheck()->isChecked());
    EXPECT_TRUE(dlg.DivideCheck()->isChecked());
    EXPECT_EQ(dlg.NumberEdit()->text(), QStringLiteral("20"));
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ41～60"));

    dlg.SearchTypeButton(2)->click();
    dlg.PaletteImageCheck()->click();
    dlg.DivideCheck()->click();
    dlg.NextButton()->click();  // disabled now: nothing happens
    dlg.OkButton()->click();

    const std::vector<std::string> order = {"Read Memory Size", "Search Type", "Palette Image", "dividenum",
                                            "dividesearch",     "dividepos",   "RawSectors",    "OpenWindows",
                                            "StrictTim"};
    EXPECT_EQ(store.writes, order);
    EXPECT_EQ(Read(store, settings::kSearchType), 2);
    EXPECT_EQ(Read(store, settings::kPaletteImage), 0);
    EXPECT_EQ(Read(store, settings::kDivideSearch), 0);
    EXPECT_EQ(Read(store, settings::kDividePos), 2);
}

// The row for raw CD images: the stored value shown (anything but 1 or 2 as
// automatic), the choice written on OK only, and a label that names the box.
TEST(SearchSetDialog, RawSectorsRowShowsAndWritesTheSetting) {
    struct Case {
        int stored;
        int shown;
        int chosen;
    };
    const Case cases[] = {{0, 0, 1}, {1, 1, 2}, {2, 2, 0}, {7, 0, 2}, {-1, 0, 0}};
    for (const Case& c : cases) {
        RecordingStore store;
        Write(store, settings::kRawSectors, c.stored);
        CSearchSetDlg dlg(store);
        QComboBox* combo = dlg.RawSectorsCombo();
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->currentIndex(), c.shown) << c.stored;
        combo->setCurrentIndex(c.chosen);
        EXPECT_EQ(Read(store, settings::kRawSectors), c.stored) << "nothing written before OK";
        dlg.OkButton()->click();
        EXPECT_EQ(Read(store, settings::kRawSectors), c.chosen);
    }
    RecordingStore store;
    CSearchSetDlg dlg(store);
    const auto labels = dlg.findChildren<QLabel*>();
    const auto buddy = std::find_if(labels.begin(), labels.end(),
                                    [&](QLabel* l) { return l->buddy() == dlg.RawSectorsCombo(); });
    ASSERT_NE(buddy, labels.end());
    EXPECT_EQ((*buddy)->text(), QStringLiteral("CDｲﾒｰｼﾞ(2352ﾊﾞｲﾄｾｸﾀ)"));
    EXPECT_EQ(dlg.RawSectorsCombo()->accessibleName(), (*buddy)->text());
}

// "StrictTim": clear unless the store says otherwise, written on OK only, and
// named after its text for a screen reader.
TEST(SearchSetDialog, StrictTimCheckShowsAndWritesTheSetting) {
    for (const int stored : {-1, 0, 1, 5}) {
        RecordingStore store;
        if (stored >= 0) Write(store, settings::kStrictTim, stored);
        CSearchSetDlg dlg(store);
        QCheckBox* check = dlg.StrictTimCheck();
        ASSERT_NE(check, nullptr);
        EXPECT_EQ(check->text(), QStringLiteral("TIMを仕様どおり厳密に判定する"));
        EXPECT_EQ(check->accessibleName(), check->text());
        EXPECT_EQ(check->isChecked(), stored > 0) << stored;
        check->click();
        EXPECT_EQ(Read(store, settings::kStrictTim), stored < 0 ? 0 : stored) << "nothing written before OK";
        dlg.OkButton()->click();
        EXPECT_EQ(Read(store, settings::kStrictTim), stored > 0 ? 0 : 1) << stored;
    }
}

TEST(SearchSetDialog, EmptyStoreShowsDefaults) {
    RecordingStore store;
    CSearchSetDlg dlg(store);
    EXPECT_EQ(dlg.MemoryEdit()->text(), QStringLiteral("1"));
    EXPECT_TRUE(dlg.SearchTypeButton(2)->isChecked());
    EXPECT_FALSE(dlg.PaletteImageCheck()->isChecked());
    EXPECT_TRUE(dlg.OpenWindowsCheck()->isChecked());
    EXPECT_FALSE(dlg.DivideCheck()->isChecked());
    EXPECT_EQ(dlg.NumberEdit()->text(), QStringLiteral("50"));
    EXPECT_FALSE(dlg.PrevButton()->isEnabled());
    EXPECT_FALSE(dlg.NextButton()->isEnabled());
    EXPECT_TRUE(dlg.WindowLabel()->text().isEmpty());
}

TEST(SearchSetDialog, UnknownSearchTypeLeavesEveryRadioClear) {
    RecordingStore store;
    Write(store, settings::kSearchType, 3);
    CSearchSetDlg dlg(store);
    for (int type = 0; type < 3; ++type) EXPECT_FALSE(dlg.SearchTypeButton(type)->isChecked());
}

TEST(SearchSetDialog, PageButtonsAndLabelFollowTheTypedNumber) {
    ScopedMessages messages;
    RecordingStore store;
    CSearchSetDlg dlg(store);
    dlg.DivideCheck()->click();
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ1～50"));
    EXPECT_FALSE(dlg.PrevButton()->isEnabled());
    EXPECT_TRUE(dlg.NextButton()->isEnabled());

    dlg.NextButton()->click();
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ51～100"));
    EXPECT_TRUE(dlg.PrevButton()->isEnabled());

    dlg.NumberEdit()->setText(QStringLiteral("10"));
    dlg.NextButton()->click();
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ21～30"));
    EXPECT_EQ(Read(store, settings::kDivideNum), 50) << "nothing is stored before OK";

    dlg.PrevButton()->click();
    dlg.PrevButton()->click();
    EXPECT_EQ(dlg.Page(), 0);
    EXPECT_FALSE(dlg.PrevButton()->isEnabled());
    dlg.OnPrev();  // even when called directly the page stays at 0
    EXPECT_EQ(dlg.Page(), 0);

    dlg.DivideCheck()->click();
    EXPECT_FALSE(dlg.NextButton()->isEnabled());
    EXPECT_TRUE(dlg.WindowLabel()->text().isEmpty());

    dlg.reject();
    EXPECT_TRUE(store.writes.empty()) << "Cancel writes nothing";
}

TEST(SearchSetDialog, LabelReadsTheTypedNumberAsItsLeadingInteger) {
    // The label follows the text as typed, read the way the C library reads a leading number.
    const struct {
        QString typed;
        QString label;  // on page 1
    } cases[] = {
        {"50", "ｲﾒｰｼﾞ51～100"}, {"0", "ｲﾒｰｼﾞ1～0"},     {"  12abc", "ｲﾒｰｼﾞ13～24"}, {"abc", "ｲﾒｰｼﾞ1～0"},
        {"+7", "ｲﾒｰｼﾞ8～14"},   {"-5", "ｲﾒｰｼﾞ-4～-10"}, {"", "ｲﾒｰｼﾞ1～0"},          {"1.5", "ｲﾒｰｼﾞ2～2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        RecordingStore store;
        Write(store, settings::kDivideSearch, 1);
        Write(store, settings::kDividePos, 1);
        CSearchSetDlg dlg(store);
        dlg.NumberEdit()->setText(c.typed);
        dlg.DivideCheck()->click();
        dlg.DivideCheck()->click();
        EXPECT_EQ(dlg.WindowLabel()->text(), c.label);
    }
}

TEST(SearchSetDialog, EmptyNumberBlocksOkEvenWithDividedSearchOff) {
    ScopedMessages messages;
    RecordingStore store;
    CSearchSetDlg dlg(store);
    ASSERT_FALSE(dlg.DivideCheck()->isChecked());
    dlg.NumberEdit()->clear();
    dlg.accept();
    ASSERT_EQ(messages.service.shown.size(), 1u);
    EXPECT_EQ(messages.service.shown[0].text, kNumberCheck);
    EXPECT_TRUE(store.writes.empty());
}

TEST(SearchSetDialog, LargestPageCannotBeStepped) {
    ScopedMessages messages;
    RecordingStore store;
    Write(store, settings::kDivideSearch, 1);
    Write(store, settings::kDividePos, std::numeric_limits<int>::max());
    CSearchSetDlg dlg(store);
    // 50 x 2147483647 + 1 and 50 x 2147483648, without wrapping.
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ107374182351～107374182400"));
    EXPECT_FALSE(dlg.NextButton()->isEnabled());
    dlg.OnNext();
    EXPECT_EQ(dlg.Page(), std::numeric_limits<int>::max());
    dlg.NumberEdit()->setText(QStringLiteral("99999999999999"));  // shown held to 32 bits
    dlg.OnCheckDivide();
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ4611686014132420610～4611686016279904256"));
}

TEST(DivideSearchDialog, OkValidatesTheNumberOnly) {
    const struct {
        const char* name;
        QString number;
        bool accepted;
        int stored;
    } cases[] = {
        {"zero", "0", true, 0},
        {"leading zeros", "007", true, 7},
        {"empty", "", false, 0},
        {"letters", "abc", false, 0},
        {"trailing space", "1 ", false, 0},
        {"sign", "+5", false, 0},
        {"2^32 held to 32 bits, not wrapped to 0", "4294967296", true, 2147483647},
        {"full-width", "５", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedMessages messages;
        RecordingStore store;
        CDivideSearchDlg dlg(store);
        dlg.show();
        dlg.NumberEdit()->setText(c.number);
        dlg.OkButton()->click();
        if (c.accepted) {
            EXPECT_TRUE(messages.service.shown.empty());
            EXPECT_EQ(dlg.result(), QDialog::Accepted);
            EXPECT_EQ(store.writes, (std::vector<std::string>{"dividenum", "dividesearch", "dividepos"}));
            EXPECT_EQ(Read(store, settings::kDivideNum), c.stored);
        } else {
            ASSERT_EQ(messages.service.shown.size(), 1u);
            EXPECT_EQ(messages.service.shown[0].text, kNumberCheck);
            EXPECT_EQ(messages.service.shown[0].icon, MessageIcon::Exclamation);
            EXPECT_TRUE(store.writes.empty());
            EXPECT_EQ(dlg.focusWidget(), dlg.NumberEdit());
        }
    }
}

TEST(DivideSearchDialog, PagesStoredOnlyOnOk) {
    ScopedMessages messages;
    RecordingStore store;
    Write(store, settings::kDivideSearch, 1);
    store.writes.clear();
    CDivideSearchDlg dlg(store);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("分割検索設定"));
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ1～50"));
    dlg.NextButton()->click();
    dlg.NextButton()->click();
    EXPECT_EQ(dlg.WindowLabel()->text(), QStringLiteral("ｲﾒｰｼﾞ101～150"));
    EXPECT_TRUE(store.writes.empty());
    dlg.CancelButton()->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(store.writes.empty());

    CDivideSearchDlg again(store);
    again.NextButton()->click();
    again.OkButton()->click();
    EXPECT_EQ(Read(store, settings::kDividePos), 1);
    EXPECT_EQ(Read(store, settings::kDivideSearch), 1);
}

}  // namespace
