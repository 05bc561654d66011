// The bytes one scanning thread looks at: a window of a plain file, mapped
// from the page cache or read into a buffer, and the filter that finds the
// positions worth a candidate test in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/bytes.h"
#include "search/file_reader.h"

namespace vorel {

// The first position in [from, to) that may start a candidate: its byte is
// `first` or `second` and, where the `len` bytes still hold them, the three
// bytes after it are 0 (the TIM id and the bitmap header size are both small
// little-endian words). Positions whose following bytes lie past `len` are
// offered on their first byte alone. Returns `to` when there is none.
std::size_t FindCandidate(const std::uint8_t* data, std::size_t from, std::size_t to, std::size_t len,
                          std::uint8_t first, std::uint8_t second);

// How a window's bytes come from the file.
enum class WindowMode { kRead, kMap };

// One thread's window onto a plain file. A mapped window that the file no
// longer covers (it was cut short while it was searched) is noticed and read
// again with ordinary reads, which then see the file's new end.
class WindowReader {
public:
    WindowReader(const FileReader& file, WindowMode mode) : file_(file), mode_(mode) {}
    ~WindowReader();
    WindowReader(const WindowReader&) = delete;
    WindowReader& operator=(const WindowReader&) = delete;

    // Makes the bytes [from, to) of the file available at Data(); returns how
    // many are (fewer when the file has shrunk), -1 on a read error.
    std::int64_t Fetch(std::int64_t from, std::int64_t to);
    const std::uint8_t* Data() const { return data_; }
    bool Mapped() const { return mapping_ != nullptr; }
    WindowMode Mode() const { return mode_; }
    // After a mapped window faulted: every later window is read.
    void StopMapping();

private:
    void Unmap();

    const FileReader& file_;
    WindowMode mode_;
    const std::uint8_t* data_ = nullptr;
    void* mapping_ = nullptr;
    std::size_t mappingBytes_ = 0;
    std::vector<std::uint8_t> buffer_;
};

// Runs `scan` with a guard against the bus error that touching a mapped page
// past a shrunken file's end raises; false when that happened (the scan was cut
// off where it was). `scan` must leave nothing half-done that needs unwinding
// when it touches the mapped bytes.
template <typename Scan>
bool GuardMappedReads(Scan&& scan);

namespace detail {
// Calls `call(context)` with the guard armed for this thread; false after a fault.
bool RunGuarded(void (*call)(void*), void* context);
}  // namespace detail

template <typename Scan>
bool GuardMappedReads(Scan&& scan) {
    return detail::RunGuarded([](void* context) { (*static_cast<Scan*>(context))(); },
                              static_cast<void*>(&scan));
}

}  // namespace vorel
