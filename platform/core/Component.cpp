#include "platform/core/Component.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Exceptions.h"

// ---------------------------------------------------------------- properties
const char* EnumNames::NameOf(int value) const {
    int i = value - first;
    return i >= 0 && i < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(i)] : nullptr;
}

bool EnumNames::ValueOf(std::string_view name, int* value) const {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] && name == names[i]) {
            *value = first + static_cast<int>(i);
            return true;
        }
    }
    return false;
}

PropList ExtendProps(const PropList& base, std::initializer_list<PropInfo> own) {
    PropList list = base;
    for (const PropInfo& p : own) {
        auto same = std::find_if(list.begin(), list.end(), [&](const PropInfo& q) { return std::strcmp(q.name, p.name) == 0; });
        if (same != list.end())
            *same = p;  // a redeclaration (another default) replaces the inherited entry in its place
        else
            list.push_back(p);
    }
    return list;
}

const PropList& TPersistent::Properties() const {
    static const PropList none;
    return none;
}

namespace {
struct IdentValue {
    const char* ident;
    std::int64_t value;
};

constexpr IdentValue kColors[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clNone", 0x1FFFFFFF}, {"clDefault", 0x20000000},
    {"clScrollBar", -0x80000000LL + 0}, {"clBackground", -0x80000000LL + 1}, {"clActiveCaption", -0x80000000LL + 2},
    {"clInactiveCaption", -0x80000000LL + 3}, {"clMenu", -0x80000000LL + 4}, {"clWindow", -0x80000000LL + 5},
    {"clWindowFrame", -0x80000000LL + 6}, {"clMenuText", -0x80000000LL + 7}, {"clWindowText", -0x80000000LL + 8},
    {"clCaptionText", -0x80000000LL + 9}, {"clActiveBorder", -0x80000000LL + 10}, {"clInactiveBorder", -0x80000000LL + 11},
    {"clAppWorkSpace", -0x80000000LL + 12}, {"clHighlight", -0x80000000LL + 13}, {"clHighlightText", -0x80000000LL + 14},
    {"clBtnFace", -0x80000000LL + 15}, {"clBtnShadow", -0x80000000LL + 16}, {"clGrayText", -0x80000000LL + 17},
    {"clBtnText", -0x80000000LL + 18}, {"clInactiveCaptionText", -0x80000000LL + 19}, {"clBtnHighlight", -0x80000000LL + 20},
    {"cl3DDkShadow", -0x80000000LL + 21}, {"cl3DLight", -0x80000000LL + 22}, {"clInfoText", -0x80000000LL + 23},
    {"clInfoBk", -0x80000000LL + 24},
};

constexpr IdentValue kCursors[] = {
    {"crDefault", 0}, {"crNone", -1}, {"crArrow", -2}, {"crCross", -3}, {"crIBeam", -4},
    {"crSizeNESW", -6}, {"crSizeNS", -7}, {"crSizeNWSE", -8}, {"crSizeWE", -9}, {"crUpArrow", -10},
    {"crHourGlass", -11}, {"crDrag", -12}, {"crNoDrop", -13}, {"crHSplit", -14}, {"crVSplit", -15},
    {"crMultiDrag", -16}, {"crSQLWait", -17}, {"crNo", -18}, {"crAppStart", -19}, {"crHelp", -20},
    {"crHandPoint", -21}, {"crSizeAll", -22},
};

template <std::size_t N>
const char* identOf(const IdentValue (&table)[N], std::int64_t value) {
    for (const auto& e : table)
        if (e.value == value) return e.ident;
    return nullptr;
}
template <std::size_t N>
bool valueOf(const IdentValue (&table)[N], std::string_view ident, std::int64_t* value) {
    for (const auto& e : table) {
        if (ident == e.ident) {
            *value = e.value;
            return true;
        }
    }
    return false;
}
}  // namespace

const char* ColorIdent(std::int64_t value) { return identOf(kColors, value); }
bool ColorFromIdent(std::string_view ident, std::int64_t* value) { return valueOf(kColors, ident, value); }
const char* CursorIdent(std::int64_t value) { return identOf(kCursors, value); }
bool CursorFromIdent(std::string_view ident, std::int64_t* value) { return valueOf(kCursors, ident, value); }

// ---------------------------------------------------------------- TComponent
TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    // Owned components go last first, so a later one may still refer to an earlier one.
    while (!components_.empty()) {
        std::unique_ptr<TComponent> last = std::move(components_.back());
        components_.pop_back();
        last->owner_ = nullptr;
        for (auto& other : components_) other->Notification(last.get(), TOperation::opRemove);
        last.reset();
    }
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* component) {
    if (component->owner_) component->owner_->RemoveComponent(component);
    component->owner_ = this;
    components_.emplace_back(component);
    for (auto& other : components_)
        if (other.get() != component) other->Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find_if(components_.begin(), components_.end(),
                           [&](const std::unique_ptr<TComponent>& p) { return p.get() == component; });
    if (it == components_.end()) return;
    it->release();  // the caller (or the component's own destructor) decides its fate
    components_.erase(it);
    component->owner_ = nullptr;
    for (auto& other : components_) other->Notification(component, TOperation::opRemove);
    Notification(component, TOperation::opRemove);
}

void TComponent::SetName(const std::string& name) { name_ = name; }

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) throw EListError(errors::ListIndex(index));
    return components_[static_cast<std::size_t>(index)].get();
}

TComponent* TComponent::FindComponent(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& c : components_) {
        const std::string& n = c->Name();
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) { return std::tolower((unsigned char)a) == std::tolower((unsigned char)b); }))
            return c.get();
    }
    return nullptr;
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    for (int i = 0; i < owner_->ComponentCount(); ++i)
        if (owner_->components_[static_cast<std::size_t>(i)].get() == this) return i;
    return -1;
}

void TComponent::SetDesigning(bool designing) {
    if (designing) state_ |= csDesigning; else state_ &= ~csDesigning;
    for (auto& c : components_) c->SetDesigning(designing);
}

void TComponent::SetLoading(bool loading) {
    if (loading) state_ |= csLoading; else state_ &= ~csLoading;
}

void TComponent::Loaded() { state_ &= ~csLoading; }
void TComponent::SetParentComponent(TComponent*) {}
TComponent* TComponent::GetParentComponent() const { return nullptr; }
void TComponent::Notification(TComponent*, TOperation) {}

const PropList& TComponent::Properties() const {
    static const PropList list = {
        props::Int<TComponent>("Tag", 0, [](TComponent* c) { return c->Tag; },
                               [](TComponent* c, std::int64_t v) { c->Tag = static_cast<int>(v); }),
    };
    return list;
}
