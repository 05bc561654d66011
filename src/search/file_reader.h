// Reading a file of any size by offset. Offsets and sizes are 64-bit, so disc
// images of 2 GiB and more are read to their end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vorel {

class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // Opens for reading; false when the path cannot be opened or is not a regular file.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Size in bytes, or -1 when it cannot be found.
    std::int64_t Size() const;

    // Reads up to buffer.size() bytes at offset; stops early only at the end of the
    // file. Returns the number of bytes read, or -1 on a read error.
    std::int64_t ReadAt(std::int64_t offset, std::span<std::uint8_t> buffer) const;

private:
    int fd_ = -1;
};

}  // namespace vorel
