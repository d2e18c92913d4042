#include "controls/region/Region.h"

#include <cstring>
#include <new>

#include "platform/core/Classes.h"
#include "platform/core/Exceptions.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WinApi.h"

using namespace win;

namespace {
long g_scanned_rows = 0;

// A new region, or EOutOfMemory: the region functions answer a failed
// allocation with null or RGN_ERROR, which would otherwise go unnoticed.
GdiPtr<RgnObject> NewRectRgn(int left, int top, int right, int bottom) {
    GdiPtr<RgnObject> rgn(CreateRectRgn(left, top, right, bottom));
    if (!rgn) throw EOutOfMemory("メモリが足りません");
    return rgn;
}
void UniteInto(HRGN acc, HRGN rgn) {
    if (CombineRgn(acc, acc, rgn, RGN_OR) == RGN_ERROR) throw EOutOfMemory("メモリが足りません");
}

void ReadBlock(TStream* stream, RgnDataPtr* data, std::int32_t* length) {
    std::int64_t size = stream->Size();
    if (size < 0 || size > 0x7FFFFFFF) throw EReadError("ﾘｰｼﾞｮﾝﾃﾞｰﾀが大きすぎます");
    data->reset();
    *length = static_cast<std::int32_t>(size);
    if (size > 0) {
        data->reset(new std::uint8_t[static_cast<std::size_t>(size)]);
        stream->Position = 0;
        stream->ReadBuffer(data->get(), size);
    }
}

void WriteBlock(TStream* stream, const RgnDataPtr& data, std::int32_t length) {
    if (data && length > 0) stream->WriteBuffer(data.get(), length);
}

void DefineRgnData(TFiler* filer, TComponent*, std::function<void(TStream*)> read, std::function<void(TStream*)> write) {
    filer->DefineBinaryProperty("RgnData", read, write, true);
}
// The conversion proper, for a bitmap already checked to have pixels.
int Convert(TBitmap* Bitmap, int W, int H, void** Data) {
    switch (Bitmap->PixelFormat()) {
    case pf1bit:
    case pf4bit:
        Bitmap->SetPixelFormat(pf8bit);
        break;
    case pf8bit:
    case pf24bit:
        break;
    default:
        Bitmap->SetPixelFormat(pf24bit);
    }
    const int bytes = Bitmap->PixelFormat() == pf8bit ? 1 : 3;

    GdiPtr<RgnObject> acc = NewRectRgn(0, 0, 0, 0);
    std::uint8_t key[3] = {};
    std::memcpy(key, Bitmap->ScanLine(H - 1), static_cast<std::size_t>(bytes));

    for (int y = 0; y < H; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(Bitmap->ScanLine(y));
        auto isKey = [&](int x) { return std::memcmp(row + x * bytes, key, static_cast<std::size_t>(bytes)) == 0; };
        ++g_scanned_rows;
        int runs = 0;
        int x = 0;
        while (x < W) {
            if (runs > 100) throw EInvalidGraphic("ﾋﾞｯﾄﾏｯﾌﾟの形状が不適です");
            while (x < W && isKey(x)) ++x;
            if (x == W) break;
            int s = x;
            while (x < W && !isKey(x)) ++x;
            if (x > s) {
                UniteInto(acc.get(), NewRectRgn(s, y, x, y + 1).get());
                ++runs;
            }
            ++x;
        }
    }

    DWORD length = GetRegionData(acc.get(), 0, nullptr);
    RgnDataPtr block(new std::uint8_t[length]);
    if (length == 0 || GetRegionData(acc.get(), length, block.get()) == 0)
        throw EConvertError("ﾘｰｼﾞｮﾝﾃﾞｰﾀが抽出できません");
    *Data = block.release();
    return static_cast<int>(length);
}
}  // namespace

// ---------------------------------------------------------------- BitmapToRgnData
long RgnScannedRows() { return g_scanned_rows; }

void FreeRgnData(void* Data) { delete[] static_cast<std::uint8_t*>(Data); }

int BitmapToRgnData(TBitmap* Bitmap, void** Data) {
    *Data = nullptr;
    if (!Bitmap || Bitmap->Empty()) throw EInvalidGraphic("ﾋﾞｯﾄﾏｯﾌﾟが正しくｾｯﾄされていません");
    const int W = Bitmap->Width(), H = Bitmap->Height();
    if (W == 0 || H == 0) throw EInvalidGraphic("幅または高さが 0 です");

    // Running out of memory anywhere below (a format conversion, the region,
    // the block) is reported as the routine's own failure.
    try {
        return Convert(Bitmap, W, H, Data);
    } catch (const EOutOfMemory&) {
        throw Exception("ﾒﾓﾘ獲得に失敗しました");
    } catch (const std::bad_alloc&) {
        throw Exception("ﾒﾓﾘ獲得に失敗しました");
    }
}

// ---------------------------------------------------------------- TRgn
TRgn::TRgn(TComponent* AOwner)
    : TGraphicControl(AOwner),
      source_(std::make_unique<TBitmap>()),
      work_(std::make_unique<TBitmap>()),
      masked_(std::make_unique<TBitmap>()),
      mask_(std::make_unique<TBitmap>()) {
    SetBounds(Left(), Top(), 105, 105);
}

TRgn::~TRgn() {
    source_.reset();
    work_.reset();
    masked_.reset();
    mask_.reset();
    DestoryRgn();
}

const PropList& TRgn::Properties() const {
    using C = TRgn;
    static const EnumNames dragModes{{"dmManual", "dmAutomatic"}};
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Obj<C>("RgnBitmap", [](C* c) -> TPersistent* { return c->RgnBitmap(); },
                      [](C* c, TPersistent* v) { c->SetRgnBmp(dynamic_cast<TBitmap*>(v)); }),
        props::Bool<C>("AutoSize", false, [](C* c) { return c->AutoSize(); }, [](C* c, bool v) { c->SetAutoSize(v); }),
        props::Bool<C>("Transparent", false, [](C* c) { return c->Transparent; }, [](C* c, bool v) { c->Transparent = v; }),
        props::Int<C>("DragCursor", crDrag, [](C* c) { return c->DragCursor; }, [](C* c, std::int64_t v) { c->DragCursor = int(v); }, PropKind::Cursor),
        props::Int<C>("DragMode", 0, [](C* c) { return c->DragMode; }, [](C* c, std::int64_t v) { c->DragMode = int(v); }, PropKind::Enum, &dragModes),
    });
    return list;
}

void TRgn::DefineProperties(TFiler* Filer) {
    TGraphicControl::DefineProperties(Filer);
    DefineRgnData(Filer, this, [this](TStream* s) { ReadRgnData(s); }, [this](TStream* s) { WriteRgnData(s); });
}

void TRgn::ReadRgnData(TStream* Stream) { ReadBlock(Stream, &data_, &data_length_); }
void TRgn::WriteRgnData(TStream* Stream) { WriteBlock(Stream, data_, data_length_); }

void TRgn::Loaded() {
    TGraphicControl::Loaded();
    if (Transparent || Designing()) MakeMask();
    if (!Designing()) UpdateRgn();
}

void TRgn::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (auto_size_ && source_ && source_->Width() > 0 && source_->Height() > 0) {
        AWidth = source_->Width();
        AHeight = source_->Height();
    }
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TRgn::SetRgnBmp(TBitmap* Value) {
    if (Value == source_.get()) return;
    source_->Assign(Value);
    DestoryRgn();
    void* block = nullptr;
    try {
        data_length_ = BitmapToRgnData(source_.get(), &block);
        data_.reset(static_cast<std::uint8_t*>(block));
    } catch (...) {
        data_length_ = 0;
        data_.reset();
        source_->Assign(nullptr);
        Repaint();
        throw;
    }
    if (Transparent || Designing()) MakeMask();
    if (Designing()) {
        SetBounds(Left(), Top(), source_->Width(), source_->Height());
        Invalidate();
    }
}

void TRgn::SetAutoSize(bool Value) {
    if (Value == auto_size_) return;
    auto_size_ = Value;
    if (Value && source_->Width() > 0 && source_->Height() > 0 && !Loading()) {
        SetBounds(Left(), Top(), source_->Width(), source_->Height());
        Invalidate();
    }
}

void TRgn::MakeMask() {
    if (source_->Empty()) return;
    const int w = source_->Width(), h = source_->Height();
    TBitmap temp(w, h, pfDevice);
    temp.Canvas()->Draw(0, 0, source_.get());
    TColor key = temp.Canvas()->Pixels(0, h - 1);
    mask_->SetHandle(CreateBitmap(w, h, 1, 1, nullptr));
    SetBkColor(temp.Canvas()->Handle(), ColorToRGB(key));
    BitBlt(mask_->Canvas()->Handle(), 0, 0, w, h, temp.Canvas()->Handle(), 0, 0, SRCCOPY);
    masked_->Assign(&temp);
    BitBlt(masked_->Canvas()->Handle(), 0, 0, w, h, mask_->Canvas()->Handle(), 0, 0, ROP_DSna);
}

void TRgn::Paint() {
    if (!show_) return;
    TGraphicControl::Paint();
    if (source_->Empty()) return;
    if (!Transparent && !Designing()) {
        Canvas()->StretchDraw(Rect(0, 0, Width(), Height()), source_.get());
        return;
    }
    if (!work_ || !mask_ || !masked_ || mask_->Empty() || masked_->Empty()) return;
    work_->SetSize(Width(), Height());
    HDC work = work_->Canvas()->Handle();
    BitBlt(work, 0, 0, Width(), Height(), Canvas()->Handle(), 0, 0, SRCCOPY);
    StretchBlt(work, 0, 0, Width(), Height(), mask_->Canvas()->Handle(), 0, 0, mask_->Width(), mask_->Height(), SRCAND);
    StretchBlt(work, 0, 0, Width(), Height(), masked_->Canvas()->Handle(), 0, 0, masked_->Width(), masked_->Height(),
               SRCINVERT);
    Canvas()->Draw(0, 0, work_.get());
}

void TRgn::DestoryRgn() {
    handle_.reset();
    data_.reset();
    data_length_ = 0;
}

void TRgn::UpdateRgn() {
    if (!data_) throw Exception(Name() + " のﾘｰｼﾞｮﾝ情報がありません");
    if (source_->Empty() || source_->Width() == 0 || source_->Height() == 0)
        throw Exception(Name() + ":RgnBitmap のﾋﾞｯﾄﾏｯﾌﾟが正しくありません");
    handle_.reset();
    XFORM xf{};
    if (auto_size_) {
        xf.eM11 = xf.eM22 = 1.0f;
    } else {
        xf.eM11 = static_cast<float>(Width()) / static_cast<float>(source_->Width());
        xf.eM22 = static_cast<float>(Height()) / static_cast<float>(source_->Height());
    }
    xf.eDx = static_cast<float>(Left());
    xf.eDy = static_cast<float>(Top());
    HRGN rgn = ExtCreateRegion(&xf, static_cast<DWORD>(data_length_), data_.get());
    if (!rgn) throw Exception("ｳｨﾝﾄﾞｳﾘｰｼﾞｮﾝが作成できません");
    handle_.reset(rgn);
}

void TRgn::SetWndRgn() {
    if (!Parent()) throw Exception("Parentが設定されていません");
    if (auto* form = dynamic_cast<TForm*>(Parent())) {
        form->SetBorderStyle(bsNone);
        form->Brush()->SetStyle(bsClear);
    }
    show_ = true;
    Transparent = false;
    // The window handle first: creating the window can fail, and the region
    // is ours until SetWindowRgn takes it.
    HWND window = Parent()->Handle();
    if (win::SetWindowRgn(window, handle_.get(), 0)) handle_.release();
}

void TRgn::WMEraseBkGnd(TMessage& Message) { Message.Result = 1; }

void TRgn::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ERASEBKGND) {
        WMEraseBkGnd(Message);
        return;
    }
    TGraphicControl::WndProc(Message);
}

// ---------------------------------------------------------------- TRgnList
TRgnList::TRgnList(TComponent* AOwner)
    : TComponent(AOwner), list_(std::make_unique<TList>()), others_(std::make_unique<TList>()) {}

TRgnList::~TRgnList() = default;

const PropList& TRgnList::Properties() const {
    using C = TRgnList;
    static const PropList list = ExtendProps(TComponent::Properties(), {
        props::Bool<C>("AutoClear", true, [](C* c) { return c->AutoClear; }, [](C* c, bool v) { c->AutoClear = v; }),
        props::Event<C>("OnShowWnd", &C::OnShowWnd),
    });
    return list;
}

void TRgnList::Add(TRgn* Rgn) { list_->Add(Rgn); }
void TRgnList::Delete(TRgn* Rgn) { list_->Remove(Rgn); }
int TRgnList::GetCount() const { return list_->Count(); }
TRgn* TRgnList::GetItem(int Index) const { return static_cast<TRgn*>(list_->Get(Index)); }
void TRgnList::Clear() { list_->Clear(); }

void TRgnList::SetWndRgn() {
    GdiPtr<RgnObject> combined(CreateRectRgn(0, 0, 0, 0));
    others_->Clear();
    TComponent* owner = Owner();
    for (int i = 0; owner && i < owner->ComponentCount(); ++i) {
        auto* graphic = dynamic_cast<TGraphicControl*>(owner->Components(i));
        if (!graphic) continue;
        if (auto* rgn = dynamic_cast<TRgn*>(graphic)) {
            if (list_->IndexOf(rgn) >= 0) {
                // A frame without a handle adds nothing; a union that fails
                // on a real one would give the window a wrong shape.
                if (combined && rgn->RgnHandle() &&
                    CombineRgn(combined.get(), combined.get(), rgn->RgnHandle(), RGN_OR) == RGN_ERROR)
                    throw EOutOfMemory("ﾘｰｼﾞｮﾝが合成できません．");
                rgn->BringToFront();
                rgn->SetShowFlag(true);
            } else {
                rgn->SetShowFlag(false);
            }
        } else {
            others_->Add(graphic);
        }
    }
    if (!combined) throw Exception("ﾘｰｼﾞｮﾝが合成できません．");
    auto* window = dynamic_cast<TWinControl*>(owner);
    if (auto* form = dynamic_cast<TForm*>(owner)) {
        form->SetBorderStyle(bsNone);
        form->Brush()->SetStyle(bsClear);
    }
    for (int i = 0; i < others_->Count(); ++i) static_cast<TControl*>(others_->Get(i))->BringToFront();
    if (OnShowWnd) OnShowWnd(this);  // a raise leaves the old shape; the combined region is released
    if (window) {
        HWND handle = window->Handle();
        if (win::SetWindowRgn(handle, combined.get(), 1)) combined.release();
    }
    if (AutoClear) list_->Clear();
}

// ---------------------------------------------------------------- TRgnBtn
TRgnBtn::TRgnBtn(TComponent* AOwner) : TGraphicControl(AOwner), work_(std::make_unique<TBitmap>()) {
    ControlStyle = csCaptureMouse | csClickEvents;
    for (auto& g : glyphs_) g = std::make_unique<TBitmap>();
    work_->SetTransparent(true);
    work_->SetTransparentMode(tmAuto);
    SetBounds(Left(), Top(), 25, 25);
}

TRgnBtn::~TRgnBtn() {
    for (auto& g : glyphs_) g.reset();
    work_.reset();
    DestroyRgn();
}

const PropList& TRgnBtn::Properties() const {
    using C = TRgnBtn;
    static const EnumNames dragModes{{"dmManual", "dmAutomatic"}};
    static const PropList list = ExtendProps(TControl::Properties(), {
        props::Bool<C>("AutoSize", false, [](C* c) { return c->AutoSize(); }, [](C* c, bool v) { c->SetAutoSize(v); }),
        props::Obj<C>("Glyph1", [](C* c) -> TPersistent* { return c->GetGlyph(1); }, [](C* c, TPersistent* v) { c->SetGlyph(1, dynamic_cast<TBitmap*>(v)); }),
        props::Obj<C>("Glyph2", [](C* c) -> TPersistent* { return c->GetGlyph(2); }, [](C* c, TPersistent* v) { c->SetGlyph(2, dynamic_cast<TBitmap*>(v)); }),
        props::Obj<C>("Glyph3", [](C* c) -> TPersistent* { return c->GetGlyph(3); }, [](C* c, TPersistent* v) { c->SetGlyph(3, dynamic_cast<TBitmap*>(v)); }),
        props::Int<C>("DragCursor", crDrag, [](C* c) { return c->DragCursor; }, [](C* c, std::int64_t v) { c->DragCursor = int(v); }, PropKind::Cursor),
        props::Int<C>("DragMode", 0, [](C* c) { return c->DragMode; }, [](C* c, std::int64_t v) { c->DragMode = int(v); }, PropKind::Enum, &dragModes),
    });
    return list;
}

void TRgnBtn::DefineProperties(TFiler* Filer) {
    TGraphicControl::DefineProperties(Filer);
    DefineRgnData(Filer, this, [this](TStream* s) { ReadRgnData(s); }, [this](TStream* s) { WriteRgnData(s); });
}

void TRgnBtn::ReadRgnData(TStream* Stream) { ReadBlock(Stream, &data_, &data_length_); }
void TRgnBtn::WriteRgnData(TStream* Stream) { WriteBlock(Stream, data_, data_length_); }

TBitmap* TRgnBtn::GetGlyph(int Index) const {
    if (Index < 1 || Index > 3) throw EListError(errors::ListIndex(Index));
    return glyphs_[Index - 1].get();
}

void TRgnBtn::SetGlyph(int Index, TBitmap* Value) {
    TBitmap* glyph = GetGlyph(Index);
    if (Value == glyph) return;
    glyph->Assign(Value);
    if (Index != 1) return;
    DestroyRgn();
    void* block = nullptr;
    try {
        data_length_ = BitmapToRgnData(glyph, &block);
        data_.reset(static_cast<std::uint8_t*>(block));
    } catch (...) {
        data_length_ = 0;
        data_.reset();
        glyph->Assign(nullptr);
        Repaint();
        throw;
    }
    if (Designing()) {
        SetBounds(Left(), Top(), glyph->Width(), glyph->Height());
        Invalidate();
    }
}

void TRgnBtn::SetAutoSize(bool Value) {
    auto_size_ = Value;
    TBitmap* g = glyphs_[0].get();
    if (Value && g->Width() > 0 && g->Height() > 0 && !Loading()) {
        SetBounds(Left(), Top(), g->Width(), g->Height());
        Invalidate();
    }
}

void TRgnBtn::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TBitmap* g = glyphs_[0] ? glyphs_[0].get() : nullptr;
    if (auto_size_ && g && g->Width() > 0 && g->Height() > 0) {
        AWidth = g->Width();
        AHeight = g->Height();
    }
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TRgnBtn::Loaded() {
    TGraphicControl::Loaded();
    if (!Designing()) UpdateRgn();
}

void TRgnBtn::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Designing()) return;
    if (handle_ && PtInRegion(handle_.get(), X, Y)) {
        pressed_ = true;
        Invalidate();
    }
}

void TRgnBtn::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Designing()) return;
    if (pressed_) {
        pressed_ = false;
        Invalidate();
    }
}

void TRgnBtn::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ERASEBKGND) {
        Message.Result = 1;
        return;
    }
    TGraphicControl::WndProc(Message);
}

void TRgnBtn::Paint() {
    TGraphicControl::Paint();
    int index = 1;
    if (!Enabled() && !glyphs_[2]->Empty())
        index = 3;
    else if (Enabled() && pressed_)
        index = 2;
    TBitmap* glyph = glyphs_[index - 1].get();
    if (glyph->Empty()) return;
    work_->SetSize(Width(), Height());
    work_->Canvas()->SetCopyMode(SRCCOPY);
    work_->Canvas()->CopyRect(Rect(0, 0, Width(), Height()), glyph->Canvas(), Rect(0, 0, glyph->Width(), glyph->Height()));
    Canvas()->Draw(0, 0, work_.get());
}

void TRgnBtn::UpdateRgn() {
    if (!data_) throw Exception(Name() + " のﾘｰｼﾞｮﾝ情報がありません");
    TBitmap* g = glyphs_[0].get();
    if (g->Empty() || g->Width() == 0 || g->Height() == 0)
        throw Exception(Name() + ":Glyph1 のﾋﾞｯﾄﾏｯﾌﾟが正しくありません");
    handle_.reset();
    XFORM xf{};
    if (auto_size_) {
        xf.eM11 = xf.eM22 = 1.0f;
    } else {
        xf.eM11 = static_cast<float>(Width()) / static_cast<float>(g->Width());
        xf.eM22 = static_cast<float>(Height()) / static_cast<float>(g->Height());
    }
    HRGN rgn = ExtCreateRegion(&xf, static_cast<DWORD>(data_length_), data_.get());
    if (!rgn) throw Exception("ﾘｰｼﾞｮﾝが作成できません");
    handle_.reset(rgn);
}

void TRgnBtn::DestroyRgn() {
    handle_.reset();
    data_.reset();
    data_length_ = 0;
}

// ---------------------------------------------------------------- registration
ZIMMO_REGISTER_CLASS(TRgn)
ZIMMO_REGISTER_CLASS(TRgnList)
ZIMMO_REGISTER_CLASS(TRgnBtn)

void Register() { RegisterComponents("MyComponent", {"TRgnList", "TRgn", "TRgnBtn"}); }
