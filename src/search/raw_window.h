// A window of a raw CD image's sectors, read where they lie: which of them
// hold user data, and the stream those make end to end. Stream offsets here
// count from the first user byte of the window's first sector.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "disc/raw_sectors.h"

namespace vorel {

class RawWindow {
public:
    // Room for the sectors of a window of `bytes`, so that nothing is allocated
    // while a mapped window's bytes are read; false when it cannot be had.
    bool Reserve(std::int64_t bytes);

    // `sectors` holds `bytes` of the file from the sector at `fileFrom` on (its
    // last sector may be cut off).
    void Reset(const std::uint8_t* sectors, std::int64_t fileFrom, std::int64_t bytes);

    // Whether the window holds a k-th data sector; sectors are judged as far as needed.
    bool HasData(std::int64_t k);

    // The k-th data sector's user data, once HasData(k): where it lies in the
    // file and in memory, and its length (2,048 bytes, but for a last sector
    // that the file cuts off).
    std::int64_t UserData(std::int64_t k) const { return userData_[static_cast<std::size_t>(k)]; }
    const std::uint8_t* Bytes(std::int64_t k) const { return sectors_ + (UserData(k) - fileFrom_); }
    std::int64_t Length(std::int64_t k) const { return std::min(kUserDataBytes, fileFrom_ + bytes_ - UserData(k)); }

    // The file offset of a stream byte of a data sector judged.
    std::int64_t FileOffsetOf(std::int64_t at) const { return UserData(at / kUserDataBytes) + at % kUserDataBytes; }

    // Copies up to `count` stream bytes from `at` to `dest`; returns how many the window holds.
    std::size_t Copy(std::int64_t at, std::size_t count, std::uint8_t* dest);

private:
    const std::uint8_t* sectors_ = nullptr;
    std::int64_t fileFrom_ = 0;
    std::int64_t bytes_ = 0;
    std::int64_t judged_ = 0;  // sectors judged so far
    std::vector<std::int64_t> userData_;
};

}  // namespace vorel
