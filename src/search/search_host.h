// The narrow interface through which the scanners reach the rest of the
// program: the windowed application, the headless finder and the tests each
// implement it, and all of them drive the same scanning code.
#pragma once

#include <string_view>

#include "search/search_state.h"

namespace vorel {

// Whatever the host hands back for an opened document; null when none was opened.
using DocumentRef = void*;

class ISearchHost {
public:
    virtual ~ISearchHost() = default;

    // Progress display for one scan: created at its start and destroyed on every way out.
    virtual void CreateProgress() = 0;
    virtual void SetProgressLabel(std::string_view label) = 0;  // "TIM検索" or "BMP検索"
    // Lets the interface breathe, then reports and clears a pending cancel request.
    virtual bool CheckCancel() = 0;
    // Lets the interface breathe, then advances the bar by one of its 50 steps.
    virtual void StepProgress() = 0;
    virtual void DestroyProgress() = 0;

    // A Yes/No question ("Are you sure you want to Cancel?"); true for Yes.
    virtual bool AskYesNo(std::string_view question) = 0;

    // Opens one document for the current hit described by `state`; the hit starts
    // at file offset state.m_nHitFileOffset. The document must copy what it needs
    // before returning: the hit buffer is reused for the next hit.
    virtual DocumentRef OpenDocument(const SearchState& state, std::string_view path) = 0;
};

}  // namespace vorel
