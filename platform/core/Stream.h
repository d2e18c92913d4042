// Byte streams: the abstract TStream and the in-memory TMemoryStream.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/core/Object.h"

class TStream : public TObject {
public:
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Size() const = 0;
    std::int64_t Position = 0;

    // Exactly count bytes, or EReadError / EWriteError.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    std::int64_t Remaining() const { return Size() - Position; }
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<std::uint8_t> bytes) : Bytes(std::move(bytes)) {}
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Size() const override { return static_cast<std::int64_t>(Bytes.size()); }
    std::vector<std::uint8_t> Bytes;
};

// A read-only view of bytes owned elsewhere.
class TBytesStream : public TStream {
public:
    TBytesStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};
