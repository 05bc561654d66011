#include "app/handoff_message.h"

#include <QtEndian>

namespace vorel::app {
namespace {

// Payload: magic, name count, then each name as its UTF-8 byte length and bytes,
// all lengths 32-bit big-endian. Every length is checked against what is left,
// so a hostile count cannot make the receiver reserve memory it was never sent.
constexpr quint32 kMagic = 0x56524C31;  // "VRL1"

void AppendU32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToBigEndian<quint32>(value, bytes);
    out.append(bytes, 4);
}

bool ReadU32(const QByteArray& in, qsizetype& pos, quint32& value) {
    if (in.size() - pos < 4) return false;
    value = qFromBigEndian<quint32>(in.constData() + pos);
    pos += 4;
    return true;
}

}  // namespace

QByteArray EncodeHandOff(const QStringList& files) {
    QByteArray payload;
    AppendU32(payload, kMagic);
    AppendU32(payload, static_cast<quint32>(files.size()));
    for (const QString& file : files) {
        const QByteArray utf8 = file.toUtf8();
        if (payload.size() + 4 + utf8.size() > kMaxHandOffBytes) return {};
        AppendU32(payload, static_cast<quint32>(utf8.size()));
        payload.append(utf8);
    }
    QByteArray framed;
    AppendU32(framed, static_cast<quint32>(payload.size()));
    framed.append(payload);
    return framed;
}

HandOffDecoder::Status HandOffDecoder::Take(QStringList& files) {
    qsizetype pos = 0;
    quint32 length = 0;
    if (!ReadU32(buffer_, pos, length)) return Status::NeedMore;
    if (length > static_cast<quint32>(kMaxHandOffBytes)) return Status::Invalid;
    if (buffer_.size() - 4 < static_cast<qsizetype>(length)) return Status::NeedMore;

    const QByteArray payload = buffer_.mid(4, length);
    buffer_.remove(0, 4 + static_cast<qsizetype>(length));

    qsizetype at = 0;
    quint32 magic = 0;
    quint32 count = 0;
    if (!ReadU32(payload, at, magic) || magic != kMagic || !ReadU32(payload, at, count))
        return Status::Invalid;
    if (count > static_cast<quint32>((payload.size() - at) / 4)) return Status::Invalid;
    QStringList decoded;
    decoded.reserve(static_cast<qsizetype>(count));
    for (quint32 i = 0; i < count; ++i) {
        quint32 size = 0;
        if (!ReadU32(payload, at, size) || size > static_cast<quint32>(payload.size() - at))
            return Status::Invalid;
        decoded.append(QString::fromUtf8(payload.constData() + at, static_cast<qsizetype>(size)));
        at += static_cast<qsizetype>(size);
    }
    if (at != payload.size()) return Status::Invalid;
    files = decoded;
    return Status::Message;
}

}  // namespace vorel::app
