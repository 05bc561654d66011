#include "search/raw_window.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vorel {

bool RawWindow::Reserve(std::int64_t bytes) {
    try {
        userData_.reserve(static_cast<std::size_t>(bytes / kRawSectorBytes + 1));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void RawWindow::Reset(const std::uint8_t* sectors, std::int64_t fileFrom, std::int64_t bytes) {
    sectors_ = sectors;
    fileFrom_ = fileFrom;
    bytes_ = bytes;
    judged_ = 0;
    userData_.clear();
}

bool RawWindow::HasData(std::int64_t k) {
    const std::int64_t count = (bytes_ + kRawSectorBytes - 1) / kRawSectorBytes;
    while (static_cast<std::int64_t>(userData_.size()) <= k && judged_ < count) {
        const std::int64_t start = judged_++ * kRawSectorBytes;
        const std::int64_t have = std::min(kRawSectorBytes, bytes_ - start);
        const auto offset =
            static_cast<std::int64_t>(UserDataOffset(ByteSpan(sectors_ + start, static_cast<std::size_t>(have))));
        if (offset != 0 && offset < have) userData_.push_back(fileFrom_ + start + offset);
    }
    return k < static_cast<std::int64_t>(userData_.size());
}

std::size_t RawWindow::Copy(std::int64_t at, std::size_t count, std::uint8_t* dest) {
    std::size_t copied = 0;
    for (std::int64_t k = at / kUserDataBytes, skip = at % kUserDataBytes; copied < count && HasData(k);
         ++k, skip = 0) {
        if (skip >= Length(k)) break;
        const auto n = std::min(count - copied, static_cast<std::size_t>(Length(k) - skip));
        std::memcpy(dest + copied, Bytes(k) + skip, n);
        copied += n;
    }
    return copied;
}

}  // namespace vorel
