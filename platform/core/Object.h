// TObject, TPersistent and the method-pointer events of the component model.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TFiler;
struct PropInfo;
using PropList = std::vector<PropInfo>;

class TObject {
public:
    virtual ~TObject() = default;
    // The registered class name ("TRgn"); streaming writes it.
    virtual const char* ClassName() const { return "TObject"; }
};

// A bound handler: the callable and, for streaming, the name of the handler
// method it was bound from ("Rgn1Click"). Empty when unassigned.
template <typename... Args>
class TEvent {
public:
    TEvent() = default;
    TEvent(std::string name, std::function<void(Args...)> fn) : Name(std::move(name)), Fn(std::move(fn)) {}
    template <typename F, typename = std::enable_if_t<std::is_invocable_v<F, Args...>>>
    TEvent(F fn) : Fn(std::move(fn)) {}
    explicit operator bool() const { return static_cast<bool>(Fn); }
    void operator()(Args... args) const { Fn(std::forward<Args>(args)...); }
    std::string Name;
    std::function<void(Args...)> Fn;
};

using TNotifyEvent = TEvent<TObject*>;

// Objects that can be copied one into another by Assign.
class TPersistent : public TObject {
public:
    const char* ClassName() const override { return "TPersistent"; }
    // Copies Source into this object. The base asks Source to AssignTo this
    // object; an object that knows neither direction raises the assignment error.
    virtual void Assign(TPersistent* Source);
    // The published properties (name, kind, default, getter, setter) that
    // form resources store; see platform/core/Component.h.
    virtual const PropList& Properties() const;
    // Stored data of one's own, beside the published properties.
    virtual void DefineProperties(TFiler* filer) {}

protected:
    virtual void AssignTo(TPersistent* Dest);
};
