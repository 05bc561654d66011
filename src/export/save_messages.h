// What each saving command tells the user about a writer's result. The tables
// are plain data; the windowed commands look a result up and show the row.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "export/bmp_writer.h"

namespace vorel {

enum class SaveIcon { Information, Exclamation };

struct SaveMessage {
    std::string_view text;  // UTF-8
    SaveIcon icon;
};

struct BmpOutcomeMessage {
    BmpWriteOutcome outcome;
    std::optional<SaveMessage> message;  // nothing to show when empty
    bool endsRun;                        // Save All writes no further image (always false elsewhere)
};

namespace savetext {
inline constexpr std::string_view kSaved = "正常に保存しました";
inline constexpr std::string_view kMemoryError = "ﾒﾓﾘｴﾗｰ";
inline constexpr std::string_view kLockError = "ﾒﾓﾘﾛｯｸｴﾗｰ";
inline constexpr std::string_view kAllocError = "ﾒﾓﾘｱﾛｹｰﾄｴﾗｰ";
inline constexpr std::string_view kOpenError = "ﾌｧｲﾙｵｰﾌﾟﾝｴﾗｰ";
inline constexpr std::string_view kWriteError1 = "ﾌｧｲﾙ書き込みｴﾗｰ1";
inline constexpr std::string_view kWriteError2 = "ﾌｧｲﾙ書き込みｴﾗｰ2";
inline constexpr std::string_view kAllOpenError = "ファイルOPENエラー";
inline constexpr std::string_view kAllWriteError = "ファイルWRITEエラー";
inline constexpr std::string_view kSaveFailed = "保存に失敗しました";
inline constexpr std::string_view kUnknownError = "不明なｴﾗｰ";
}  // namespace savetext

using BmpMessageTable = std::array<BmpOutcomeMessage, 7>;

// Save As on an image view.
inline constexpr BmpMessageTable kSaveAsBmpMessages{{
    {BmpWriteOutcome::NoImage, SaveMessage{savetext::kMemoryError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::LockFailed, SaveMessage{savetext::kLockError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::CreateFailed, SaveMessage{savetext::kOpenError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::HeaderBufferFailed, SaveMessage{savetext::kAllocError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::HeaderWriteFailed, SaveMessage{savetext::kWriteError1, SaveIcon::Information}, false},
    {BmpWriteOutcome::BodyWriteFailed, SaveMessage{savetext::kWriteError2, SaveIcon::Information}, false},
    {BmpWriteOutcome::Saved, SaveMessage{savetext::kSaved, SaveIcon::Information}, false},
}};

// Save All: a single saved file is silent; any failure ends the run.
inline constexpr BmpMessageTable kSaveAllBmpMessages{{
    {BmpWriteOutcome::NoImage, std::nullopt, true},
    {BmpWriteOutcome::LockFailed, std::nullopt, true},
    {BmpWriteOutcome::CreateFailed, SaveMessage{savetext::kAllOpenError, SaveIcon::Exclamation}, true},
    {BmpWriteOutcome::HeaderBufferFailed, std::nullopt, true},
    {BmpWriteOutcome::HeaderWriteFailed, SaveMessage{savetext::kAllWriteError, SaveIcon::Exclamation}, true},
    {BmpWriteOutcome::BodyWriteFailed, SaveMessage{savetext::kAllWriteError, SaveIcon::Exclamation}, true},
    {BmpWriteOutcome::Saved, std::nullopt, false},
}};

// The joined image of the connection dialog. Its block is built on the spot, so a
// missing or unusable block cannot reach the writer; should it ever, the user still
// hears of the failure (with Save As's words) instead of the dialog staying open
// without a word.
inline constexpr BmpMessageTable kJoinedBmpMessages{{
    {BmpWriteOutcome::NoImage, SaveMessage{savetext::kMemoryError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::LockFailed, SaveMessage{savetext::kLockError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::CreateFailed, SaveMessage{savetext::kOpenError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::HeaderBufferFailed, SaveMessage{savetext::kAllocError, SaveIcon::Exclamation}, false},
    {BmpWriteOutcome::HeaderWriteFailed, SaveMessage{savetext::kWriteError1, SaveIcon::Information}, false},
    {BmpWriteOutcome::BodyWriteFailed, SaveMessage{savetext::kWriteError2, SaveIcon::Information}, false},
    {BmpWriteOutcome::Saved, SaveMessage{savetext::kSaved, SaveIcon::Information}, false},
}};

// The row of `table` for `outcome`.
const BmpOutcomeMessage& LookUpBmpMessage(const BmpMessageTable& table, BmpWriteOutcome outcome);

// SaveTiff's messages for WriteTiffFile's codes; any code not listed gets
// kTiffOtherCodeMessage.
struct TiffCodeMessage {
    int code;
    SaveMessage message;
};
inline constexpr std::array<TiffCodeMessage, 4> kTiffCodeMessages{{
    {0, {savetext::kSaved, SaveIcon::Information}},
    {101, {savetext::kAllocError, SaveIcon::Exclamation}},
    {102, {savetext::kLockError, SaveIcon::Exclamation}},
    {103, {savetext::kOpenError, SaveIcon::Exclamation}},
}};
inline constexpr SaveMessage kTiffOtherCodeMessage{savetext::kSaveFailed, SaveIcon::Exclamation};

SaveMessage TiffCodeMessageFor(int code);

// The failures SaveTiff meets before it writes; their message is shown whether or
// not the caller asked to see the result.
enum class TiffPrepareFailure { LockFailed, RecordFailed, UnknownColorCount };
struct TiffPrepareMessage {
    TiffPrepareFailure failure;
    SaveMessage message;
};
inline constexpr std::array<TiffPrepareMessage, 3> kTiffPrepareMessages{{
    {TiffPrepareFailure::LockFailed, {savetext::kLockError, SaveIcon::Exclamation}},
    {TiffPrepareFailure::RecordFailed, {savetext::kAllocError, SaveIcon::Exclamation}},
    {TiffPrepareFailure::UnknownColorCount, {savetext::kUnknownError, SaveIcon::Exclamation}},
}};

SaveMessage TiffPrepareMessageFor(TiffPrepareFailure failure);

}  // namespace vorel
