// The component model: published property tables, TFiler for stored data of
// one's own (DefineProperties), TComponent with its owner, name and state.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Exceptions.h"
#include "platform/core/Object.h"
#include "platform/core/Stream.h"

class TComponent;

// ---------------------------------------------------------------- properties
// Names of an enumeration's values, in value order from `first`.
struct EnumNames {
    std::vector<const char*> names;
    int first = 0;
    const char* NameOf(int value) const;
    bool ValueOf(std::string_view name, int* value) const;
};

enum class PropKind {
    Integer,    // signed integer
    Bool,       // True / False
    String,     // UTF-8 text
    Enum,       // one identifier of `names`
    Set,        // [a, b]: bit i set for names.names[i]
    Color,      // TColor: an identifier of the colour table, or an integer
    Cursor,     // TCursor: an identifier of the cursor table, or an integer
    Component,  // a reference to another component of the same root, by name
    Event,      // a handler of the root, by method name
    Object,     // an owned sub-object whose properties are stored as Name.Prop
};

struct PropInfo {
    const char* name;
    PropKind kind;
    std::int64_t def = 0;        // the declared default (Integer, Bool, Enum, Set, Color, Cursor)
    bool always_stored = false;  // `nodefault`: written whatever the value
    const EnumNames* names = nullptr;
    std::function<std::int64_t(TObject*)> get_int;
    std::function<void(TObject*, std::int64_t)> set_int;
    std::function<std::string(TObject*)> get_str;              // String; Event: the handler name
    std::function<void(TObject*, const std::string&)> set_str;
    std::function<TComponent*(TObject*)> get_ref;
    std::function<void(TObject*, TComponent*)> set_ref;
    std::function<void(TObject*, const std::string& name, TComponent* root)> set_event;
    std::function<class TPersistent*(TObject*)> get_obj;
    std::function<void(TObject*, class TPersistent*)> set_obj;  // optional: assign through the class's setter
};

using PropList = std::vector<PropInfo>;

// Builds a class's table: the base class's properties first, then its own.
PropList ExtendProps(const PropList& base, std::initializer_list<PropInfo> own);

// The identifiers the streaming knows for colours and cursors (clBtnFace, crHandPoint).
const char* ColorIdent(std::int64_t value);
bool ColorFromIdent(std::string_view ident, std::int64_t* value);
const char* CursorIdent(std::int64_t value);
bool CursorFromIdent(std::string_view ident, std::int64_t* value);

// ---------------------------------------------------------------- stored data of one's own
// DefineProperties hands the filer its extra stored properties; the reader
// calls `read` for one it finds, the writer calls `write` when `has_data`.
class TFiler {
public:
    virtual ~TFiler() = default;
    virtual void DefineBinaryProperty(const char* name, const std::function<void(TStream*)>& read,
                                      const std::function<void(TStream*)>& write, bool has_data) = 0;
};

// ---------------------------------------------------------------- TComponent
enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
};
using TComponentState = unsigned;

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    const char* ClassName() const override { return "TComponent"; }

    TComponent* Owner() const { return owner_; }  // not owned
    const std::string& Name() const { return name_; }
    virtual void SetName(const std::string& name);
    int Tag = 0;

    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;  // EListError outside 0 .. count - 1
    TComponent* FindComponent(std::string_view name) const;
    int ComponentIndex() const;

    TComponentState ComponentState() const { return state_; }
    bool Designing() const { return (state_ & csDesigning) != 0; }
    bool Loading() const { return (state_ & csLoading) != 0; }
    // Marks this component and every component it owns as loaded in a form designer.
    void SetDesigning(bool designing);
    void SetLoading(bool loading);

    // Runs after the whole form resource has been read; clears csLoading.
    virtual void Loaded();
    // The parent component a form resource nests this one in.
    virtual void SetParentComponent(TComponent* parent);
    virtual TComponent* GetParentComponent() const;
    // Another component of the same owner is inserted or about to go.
    virtual void Notification(TComponent* component, TOperation operation);
    // The handler method a form resource binds an event to by name; empty
    // when this component has no such method.
    virtual std::function<void(TObject*)> FindMethod(const std::string& name) const { return {}; }

    const PropList& Properties() const override;

    // Takes an owned component out of this owner without destroying it.
    void RemoveComponent(TComponent* component);
    void InsertComponent(TComponent* component);

private:
    TComponent* owner_ = nullptr;  // not owned
    std::string name_;
    TComponentState state_ = 0;
    std::vector<std::unique_ptr<TComponent>> components_;  // owned, in creation order
};

// ---------------------------------------------------------------- declaring properties
// Short forms for the published-property tables of the classes:
//   props::Int<TRgn>("Width", 105, [](TRgn* c) { return c->Width(); }, [](TRgn* c, std::int64_t v) { ... })
namespace props {
template <class C>
PropInfo Int(const char* name, std::int64_t def, std::function<std::int64_t(C*)> get,
             std::function<void(C*, std::int64_t)> set, PropKind kind = PropKind::Integer,
             const EnumNames* names = nullptr) {
    PropInfo p{name, kind, def};
    p.names = names;
    p.get_int = [get](TObject* o) { return get(static_cast<C*>(o)); };
    p.set_int = [set](TObject* o, std::int64_t v) { set(static_cast<C*>(o), v); };
    return p;
}
template <class C>
PropInfo Bool(const char* name, bool def, std::function<bool(C*)> get, std::function<void(C*, bool)> set) {
    return Int<C>(name, def ? 1 : 0, [get](C* c) -> std::int64_t { return get(c) ? 1 : 0; },
                  [set](C* c, std::int64_t v) { set(c, v != 0); }, PropKind::Bool);
}
template <class C>
PropInfo Str(const char* name, std::function<std::string(C*)> get, std::function<void(C*, const std::string&)> set) {
    PropInfo p{name, PropKind::String};
    p.get_str = [get](TObject* o) { return get(static_cast<C*>(o)); };
    p.set_str = [set](TObject* o, const std::string& v) { set(static_cast<C*>(o), v); };
    return p;
}
template <class C, class R>
PropInfo Ref(const char* name, std::function<R*(C*)> get, std::function<void(C*, R*)> set) {
    PropInfo p{name, PropKind::Component};
    p.get_ref = [get](TObject* o) -> TComponent* { return get(static_cast<C*>(o)); };
    p.set_ref = [set](TObject* o, TComponent* r) {
        R* typed = dynamic_cast<R*>(r);
        if (r && !typed) throw EInvalidOperation(std::string("invalid reference type for ") + r->Name());
        set(static_cast<C*>(o), typed);
    };
    return p;
}
// An event held in a TNotifyEvent field of the class.
template <class C>
PropInfo Event(const char* name, TNotifyEvent C::*field) {
    PropInfo p{name, PropKind::Event};
    p.get_str = [field](TObject* o) { return (static_cast<C*>(o)->*field).Name; };
    p.set_event = [field, name](TObject* o, const std::string& handler, TComponent* root) {
        auto fn = root ? root->FindMethod(handler) : nullptr;
        if (!fn) throw EReadError("メソッド " + handler + " が見つかりません (" + name + ")");
        static_cast<C*>(o)->*field = TNotifyEvent(handler, std::move(fn));
    };
    return p;
}
template <class C>
PropInfo Obj(const char* name, std::function<TPersistent*(C*)> get, std::function<void(C*, TPersistent*)> set = nullptr) {
    PropInfo p{name, PropKind::Object};
    p.get_obj = [get](TObject* o) { return get(static_cast<C*>(o)); };
    if (set) p.set_obj = [set](TObject* o, TPersistent* v) { set(static_cast<C*>(o), v); };
    return p;
}
}  // namespace props
