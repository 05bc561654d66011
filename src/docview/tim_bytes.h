// The bytes of a found TIM exactly as they stand in the searched file (its
// header, every palette and the pixel block), for saving the TIM itself for
// other PlayStation tools. TIMs are small, so a document keeps them whole.
#pragma once

#include <cstdint>
#include <vector>

#include "search/search_state.h"

namespace vorel {

enum class TimBytesOutcome {
    kWhole,   // `bytes` holds the whole TIM
    kNotTim,  // the hit is a bitmap (or nothing): there is no TIM to write
    kCutOff,  // the file ends inside the TIM; the window shows the missing part black,
              // but a file that claims those bytes would not be the TIM as found
    kNoMemory,
};

struct TimBytes {
    TimBytesOutcome outcome = TimBytesOutcome::kNotTim;
    std::vector<std::uint8_t> bytes;  // empty unless kWhole
};

// The TIM of the current hit of `state`: m_nHitSize bytes from the id, of which
// the file must have supplied every one (m_nHitBytesFound).
TimBytes TimBytesOfHit(const SearchState& state);

}  // namespace vorel
