// The message a second copy of the program sends to the first: the file
// names of its command line as a list, so a name with a space in it arrives
// whole. On the wire each message is a 32-bit big-endian length followed by
// that many bytes; the first copy answers with one acknowledgement byte once
// it has searched every name.
#pragma once

#include <QByteArray>
#include <QStringList>
#include <optional>

namespace vorel::app {

// Longer messages are refused rather than cut, so no name is ever shortened unnoticed.
inline constexpr qsizetype kMaxHandOffBytes = 1 << 20;
inline constexpr char kHandOffAck = '\x06';

// The framed message; empty when it would exceed kMaxHandOffBytes.
QByteArray EncodeHandOff(const QStringList& files);

// Collects bytes as they arrive and hands out whole messages.
class HandOffDecoder {
  public:
    enum class Status { NeedMore, Message, Invalid };

    void Append(const QByteArray& bytes) { buffer_.append(bytes); }
    // Takes one whole message from the front of the buffer, if there is one.
    // Invalid (and the stream is beyond repair) for an oversized or malformed message.
    Status Take(QStringList& files);

  private:
    QByteArray buffer_;
};

}  // namespace vorel::app
