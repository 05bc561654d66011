#include "docview/tim_bytes.h"

#include <new>

namespace vorel {

TimBytes TimBytesOfHit(const SearchState& state) {
    TimBytes result;
    if (state.m_nSourceType != kSourceTim) return result;
    const std::span<const std::uint8_t> hit = state.Hit();
    // A TIM is 8 bytes of id and flag and at least one block header.
    if (state.m_nHitOffset != 0 || hit.size() != state.m_nHitSize || hit.size() < 20) return result;
    if (state.m_nHitBytesFound < hit.size()) {
        result.outcome = TimBytesOutcome::kCutOff;
        return result;
    }
    try {
        result.bytes.assign(hit.begin(), hit.end());
    } catch (const std::bad_alloc&) {
        result.outcome = TimBytesOutcome::kNoMemory;
        return result;
    }
    result.outcome = TimBytesOutcome::kWhole;
    return result;
}

}  // namespace vorel
