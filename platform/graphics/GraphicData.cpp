// The stored form of a picture inside form resources ("RgnBitmap.Data").
#include "platform/core/Component.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"

void TGraphic::DefineProperties(TFiler* filer) {
    auto read = [this](TStream* stream) {
        std::uint8_t size[4];
        stream->Position = 0;
        stream->ReadBuffer(size, 4);
        std::uint32_t length = size[0] | size[1] << 8 | size[2] << 16 | static_cast<std::uint32_t>(size[3]) << 24;
        if (length != stream->Size() - 4) throw EReadError("画像データの長さが正しくありません");
        std::vector<std::uint8_t> bytes(length);
        stream->ReadBuffer(bytes.data(), length);
        TMemoryStream picture(std::move(bytes));
        LoadFromStream(&picture);
    };
    auto write = [this](TStream* stream) {
        TMemoryStream picture;
        SaveToStream(&picture);
        auto length = static_cast<std::uint32_t>(picture.Bytes.size());
        std::uint8_t size[4] = {std::uint8_t(length), std::uint8_t(length >> 8), std::uint8_t(length >> 16), std::uint8_t(length >> 24)};
        stream->WriteBuffer(size, 4);
        stream->WriteBuffer(picture.Bytes.data(), length);
    };
    filer->DefineBinaryProperty("Data", read, write, !Empty());
}
