#include "export/save_messages.h"

#include <gtest/gtest.h>

#include <set>

namespace vorel {
namespace {

constexpr BmpWriteOutcome kAllOutcomes[] = {
    BmpWriteOutcome::Saved,
    BmpWriteOutcome::NoImage,
    BmpWriteOutcome::LockFailed,
    BmpWriteOutcome::CreateFailed,
    BmpWriteOutcome::HeaderBufferFailed,
    BmpWriteOutcome::HeaderWriteFailed,
    BmpWriteOutcome::BodyWriteFailed,
};

struct Caller {
    const char* name;
    const BmpMessageTable* table;
};
constexpr Caller kCallers[] = {{"Save As", &kSaveAsBmpMessages},
                               {"Save All", &kSaveAllBmpMessages},
                               {"joined image", &kJoinedBmpMessages}};

TEST(SaveMessagesTest, EveryTableHasOneRowPerOutcome) {
    for (const auto& caller : kCallers) {
        std::set<BmpWriteOutcome> seen;
        for (const auto& row : *caller.table) seen.insert(row.outcome);
        EXPECT_EQ(seen.size(), std::size(kAllOutcomes)) << caller.name;
        for (const auto outcome : kAllOutcomes) {
            EXPECT_EQ(LookUpBmpMessage(*caller.table, outcome).outcome, outcome) << caller.name;
        }
    }
}

// A failure is never announced as a save, and only a save says it saved.
TEST(SaveMessagesTest, OnlyASavedFileSaysSaved) {
    for (const auto& caller : kCallers) {
        for (const auto outcome : kAllOutcomes) {
            const auto& row = LookUpBmpMessage(*caller.table, outcome);
            const bool saysSaved = row.message && row.message->text == savetext::kSaved;
            const bool silentSave = caller.table == &kSaveAllBmpMessages && outcome == BmpWriteOutcome::Saved;
            EXPECT_EQ(saysSaved, outcome == BmpWriteOutcome::Saved && !silentSave) << caller.name;
        }
    }
}

TEST(SaveMessagesTest, SaveAllStopsAtTheFirstFailureAndSpeaksOnlyForFileErrors) {
    for (const auto outcome : kAllOutcomes) {
        const auto& row = LookUpBmpMessage(kSaveAllBmpMessages, outcome);
        EXPECT_EQ(row.endsRun, outcome != BmpWriteOutcome::Saved);
        const bool fileError = outcome == BmpWriteOutcome::CreateFailed ||
                               outcome == BmpWriteOutcome::HeaderWriteFailed ||
                               outcome == BmpWriteOutcome::BodyWriteFailed;
        EXPECT_EQ(row.message.has_value(), fileError);
    }
    EXPECT_EQ(LookUpBmpMessage(kSaveAllBmpMessages, BmpWriteOutcome::CreateFailed).message->text,
              "ファイルOPENエラー");
    EXPECT_EQ(LookUpBmpMessage(kSaveAllBmpMessages, BmpWriteOutcome::BodyWriteFailed).message->text,
              "ファイルWRITEエラー");
}

TEST(SaveMessagesTest, TiffCodesWithoutAMessageOfTheirOwnSayTheSaveFailed) {
    for (const int code : {104, 105, 106, -1, 1, 999}) {
        EXPECT_EQ(TiffCodeMessageFor(code).text, "保存に失敗しました") << code;
        EXPECT_EQ(TiffCodeMessageFor(code).icon, SaveIcon::Exclamation) << code;
    }
    EXPECT_EQ(TiffCodeMessageFor(101).text, "ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ");
    EXPECT_EQ(TiffCodeMessageFor(0).icon, SaveIcon::Information);
}

}  // namespace
}  // namespace vorel
