// The published properties of the drawing tools, as form resources store
// them inside their owners ("Font.Name", "Brush.Color", "Pen.Style").
#include "platform/core/Component.h"
#include "platform/graphics/Canvas.h"

const PropList& TFont::Properties() const {
    using C = TFont;
    static const EnumNames styles{{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}};
    static const EnumNames pitches{{"fpDefault", "fpVariable", "fpFixed"}};
    static const EnumNames charsets = [] {
        // The charset identifiers form resources use, by value.
        EnumNames names;
        names.first = 0;
        names.names.assign(256, nullptr);
        names.names[0] = "ANSI_CHARSET";
        names.names[1] = "DEFAULT_CHARSET";
        names.names[2] = "SYMBOL_CHARSET";
        names.names[128] = "SHIFTJIS_CHARSET";
        names.names[255] = "OEM_CHARSET";
        return names;
    }();
    static const PropList list = {
        props::Int<C>("Charset", 128, [](C* c) { return c->Charset(); }, [](C* c, std::int64_t v) { c->SetCharset(int(v)); }, PropKind::Enum, &charsets),
        props::Int<C>("Color", clWindowText, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Int<C>("Height", -12, [](C* c) { return c->Height(); }, [](C* c, std::int64_t v) { c->SetHeight(int(v)); }),
        props::Str<C>("Name", [](C* c) { return c->Name(); }, [](C* c, const std::string& v) { c->SetName(v); }),
        props::Int<C>("Pitch", fpDefault, [](C* c) { return c->Pitch(); }, [](C* c, std::int64_t v) { c->SetPitch(TFontPitch(v)); }, PropKind::Enum, &pitches),
        props::Int<C>("Style", 0, [](C* c) { return c->Style().Bits(); },
                      [](C* c, std::int64_t v) {
                          TFontStyles s;
                          for (int i = 0; i < 4; ++i)
                              if (v & (1 << i)) s << TFontStyle(i);
                          c->SetStyle(s);
                      },
                      PropKind::Set, &styles),
    };
    return list;
}

const PropList& TPen::Properties() const {
    using C = TPen;
    static const EnumNames styles{{"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}};
    static const EnumNames modes{{"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
                                  "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"}};
    static const PropList list = {
        props::Int<C>("Color", clBlack, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Int<C>("Mode", pmCopy, [](C* c) { return c->Mode(); }, [](C* c, std::int64_t v) { c->SetMode(TPenMode(v)); }, PropKind::Enum, &modes),
        props::Int<C>("Style", psSolid, [](C* c) { return c->Style(); }, [](C* c, std::int64_t v) { c->SetStyle(TPenStyle(v)); }, PropKind::Enum, &styles),
        props::Int<C>("Width", 1, [](C* c) { return c->Width(); }, [](C* c, std::int64_t v) { c->SetWidth(int(v)); }),
    };
    return list;
}

const PropList& TBrush::Properties() const {
    using C = TBrush;
    static const EnumNames styles{{"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"}};
    static const PropList list = {
        props::Int<C>("Color", clWhite, [](C* c) { return c->Color(); }, [](C* c, std::int64_t v) { c->SetColor(TColor(v)); }, PropKind::Color),
        props::Int<C>("Style", bsSolid, [](C* c) { return c->Style(); }, [](C* c, std::int64_t v) { c->SetStyle(TBrushStyle(v)); }, PropKind::Enum, &styles),
    };
    return list;
}
