// Widget events: closures that bind a member function to an owner object, the records a
// handler receives, and the one event procedure the plug-in registers with the host.
#pragma once

#include <cstdint>
#include <typeinfo>

#include "abi/records.h"
#include "abi/widget_events.h"
#include "widgets/widget_base.h"

class MQCanvas;

// Built for one mouse event; every field is 0 or false unless the host sent its key. The
// flags are bits of "button_state" (abi/mouse.h), in this order.
struct WidgetMouseRecord {
    int32_t client_x;
    int32_t client_y;
    int32_t screen_x;
    int32_t screen_y;
    int32_t down_x;
    int32_t down_y;
    int32_t last_x;
    int32_t last_y;
    int32_t wheel_delta;
    bool LButton;
    bool MButton;
    bool RButton;
    bool Shift;
    bool Ctrl;
    bool Flag20;
};

// Built for one "keydown" or "keyup"; the flags as in WidgetMouseRecord.
struct WidgetKeyRecord {
    int32_t key;
    bool auto_repeat;
    bool LButton;
    bool MButton;
    bool RButton;
    bool Shift;
    bool Ctrl;
    bool Flag20;
};

// Built for one "paint". The event procedure makes the canvas wrapper and deletes the
// one this field points to when the handler returns; a handler that keeps the canvas
// sets the field to null.
struct WidgetPaintRecord {
    MQCanvas* canvas;
};

// The record an event brings, told by the event's name.
enum class WidgetRecordKind { None, Mouse, Key, Paint };
WidgetRecordKind RecordKindOf(const char* event_name);

// A handler registered on a widget. A closure is made on the heap and held from then on
// by shared references only, made from its concrete type: the host keeps its raw address,
// and the widget it is registered on keeps it alive. It is never deleted through this
// base, whose destructor is therefore not virtual (and not public).
class MQWidgetEventClosureBase {
public:
    // Runs the handler for one event; `record` is the event's record or null.
    virtual int32_t Invoke(MQWidgetBase* sender, MQDocument document, void* record) = 0;
    // Same concrete closure type, same owner and same member function.
    virtual bool Equals(const MQWidgetEventClosureBase& other) const = 0;
    virtual void* GetOwner() const = 0;
    // Whether Invoke can take the record of an event of this kind. The host names the
    // event, and a careless host may raise any name on a handler; a handler that reads a
    // mouse record must then not be handed the smaller key or paint record.
    virtual bool Accepts(WidgetRecordKind) const { return true; }

protected:
    MQWidgetEventClosureBase() = default;
    ~MQWidgetEventClosureBase() = default;

    // Whether the owner still lives. Its id alone does not tell: a host may hand a
    // destroyed owner's id to a new widget, whose wrapper may even sit at the dead
    // owner's address. The owner lives while the wrapper registered under its id is the
    // very wrapper the closure was made with, told by its serial.
    static bool OwnerAlive(int32_t owner_id, uint64_t owner_serial) {
        const MQWidgetBase* registered = MQWidgetBase::FindWidget(owner_id);
        return registered != nullptr && registered->serial == owner_serial;
    }
    static uint64_t SerialOf(const MQWidgetBase* owner) { return owner != nullptr ? owner->serial : 0; }
};

// What both closure kinds hold: the owner, its id and serial when the closure was made,
// and the member function to call.
template <class T, class MethodType>
class MQWidgetMemberClosure : public MQWidgetEventClosureBase {
public:
    using Method = MethodType;

    bool Equals(const MQWidgetEventClosureBase& other) const override {
        if (typeid(other) != typeid(*this)) return false;
        const auto& same = static_cast<const MQWidgetMemberClosure&>(other);
        return same.owner == owner && same.method == method;
    }

    void* GetOwner() const override { return owner; }

protected:
    MQWidgetMemberClosure(T* owner, Method method)
        : owner(owner), ownerId(owner != nullptr ? owner->GetID() : 0), ownerSerial(SerialOf(owner)), method(method) {}
    ~MQWidgetMemberClosure() = default;

    bool OwnerAlive() const { return MQWidgetEventClosureBase::OwnerAlive(ownerId, ownerSerial); }

    T* owner;
    int32_t ownerId;
    uint64_t ownerSerial;
    Method method;
};

// Binds `method` of `owner` to a plain event ("execute", "hide", ...).
template <class T>
class MQWidgetEventClosure final
    : public MQWidgetMemberClosure<T, int32_t (T::*)(MQWidgetBase* sender, MQDocument document)> {
public:
    using Base = MQWidgetMemberClosure<T, int32_t (T::*)(MQWidgetBase*, MQDocument)>;
    MQWidgetEventClosure(T* owner, typename Base::Method method) : Base(owner, method) {}

    int32_t Invoke(MQWidgetBase* sender, MQDocument document, void*) override {
        if (!this->OwnerAlive()) return 0;
        return (this->owner->*this->method)(sender, document);
    }
};

// Binds `method` of `owner` to a mouse event; the method receives the event's record.
template <class T>
class MQWidgetMouseEventClosure final
    : public MQWidgetMemberClosure<T, int32_t (T::*)(MQWidgetBase* sender, MQDocument document,
                                                     WidgetMouseRecord* mouse)> {
public:
    using Base = MQWidgetMemberClosure<T, int32_t (T::*)(MQWidgetBase*, MQDocument, WidgetMouseRecord*)>;
    MQWidgetMouseEventClosure(T* owner, typename Base::Method method) : Base(owner, method) {}

    int32_t Invoke(MQWidgetBase* sender, MQDocument document, void* record) override {
        if (!this->OwnerAlive()) return 0;
        return (this->owner->*this->method)(sender, document, static_cast<WidgetMouseRecord*>(record));
    }

    // A mouse record, or none ("execute" and the like), which the method must allow for.
    bool Accepts(WidgetRecordKind kind) const override {
        return kind == WidgetRecordKind::Mouse || kind == WidgetRecordKind::None;
    }
};

// The procedure the plug-in registers ("proc") for every handler; the host calls it with
// the event's option array and the "pointer" given at registration. It finds the target
// widget by "target_id", the closure among that widget's handlers by `pointer`, the
// sender by "sender_id" (null when unknown), builds the record the event name calls for
// and returns the handler's result unchanged. Every failed lookup, an event whose record
// the closure cannot take, and an exception end the event with 0. Not exported: the host
// learns its address from AddEvent.
extern "C" int32_t WidgetEventProc(void* document, void* options, void* pointer);
