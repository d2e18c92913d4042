#include "platform/core/Stream.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Exceptions.h"

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count < 0 || Read(buffer, count) != count) throw EReadError("ストリームの読み込みエラー");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count < 0 || Write(buffer, count) != count) throw EWriteError("ストリームの書き込みエラー");
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || Position < 0 || Position >= Size()) return 0;
    std::int64_t n = std::min(count, Size() - Position);
    std::memcpy(buffer, Bytes.data() + Position, static_cast<std::size_t>(n));
    Position += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0 || Position < 0) return 0;
    auto end = static_cast<std::size_t>(Position + count);
    if (end > Bytes.size()) Bytes.resize(end);
    std::memcpy(Bytes.data() + Position, buffer, static_cast<std::size_t>(count));
    Position += count;
    return count;
}

std::int64_t TBytesStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || Position < 0 || Position >= Size()) return 0;
    std::int64_t n = std::min(count, Size() - Position);
    std::memcpy(buffer, data_ + Position, static_cast<std::size_t>(n));
    Position += n;
    return n;
}
