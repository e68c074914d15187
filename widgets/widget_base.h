// The root of the widget toolkit: one wrapper object per host widget the plug-in uses,
// and the registry that turns the widget ids the host sends back into live wrappers.
//
// The plug-in never holds a host widget; it names one by the 32-bit id the host handed
// out (0: no widget) and does all widget work through MQWidget_Value(id, op, options).
// Outputs come back through the option array: the caller presets the storage, and a
// host that writes nothing leaves the preset as the answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "abi/records.h"
#include "abi/widget_ops.h"

class MQWidgetEventClosureBase;

class MQWidgetBase {
public:
    // Derived parts run first (a window deletes what it created); then this part removes
    // the registry entry for `id`, sends Delete when the wrapper owns its host widget, and
    // releases the handlers, in that order. Delete goes out even when the widget may have
    // gone with its container already: a host that keeps a container's contents would
    // otherwise be left with them.
    virtual ~MQWidgetBase();

    // A wrapper is registered by its address: it can be neither copied nor moved.
    MQWidgetBase(const MQWidgetBase&) = delete;
    MQWidgetBase& operator=(const MQWidgetBase&) = delete;

    int32_t GetID() const { return id; }

    // Places `child` in this widget. Null sends nothing and answers -1; otherwise the
    // host's "result", -1 when it writes none.
    int32_t AddChild(MQWidgetBase* child);
    // Takes `child` out of this widget; the child's wrapper is not touched. Null sends
    // nothing.
    void RemoveChild(MQWidgetBase* child);

    // Registers `closure` for the named event on this widget: the host is told first
    // (it keeps only the closure's address), then the closure joins `handlers`, which
    // keeps it alive as long as this wrapper.
    void AddEventHandler(const char* type, std::shared_ptr<MQWidgetEventClosureBase> closure);

    // The closure registered on this widget whose address is `pointer`, or null. An
    // address the host hands back is followed only while it is in a live wrapper's list.
    std::shared_ptr<MQWidgetEventClosureBase> FindHandler(const void* pointer) const;

    void SetVisible(bool visible);
    void SetInSpace(double space);
    void SetOutSpace(double space);

    // The wrapper registered under `id`, or null.
    static MQWidgetBase* FindWidget(int32_t id);
    // The number of registered wrappers; 0 whenever no wrapper is alive.
    static size_t RegisteredWidgetCount();

protected:
    // No widget yet: `id` 0, unowned, unregistered.
    MQWidgetBase();
    // A wrapper of a widget that belongs to the host (the main window): unowned, and
    // registered when `existing` is non-zero unless another wrapper holds the id already.
    explicit MQWidgetBase(int32_t existing);

    // The create step of the concrete classes: asks the host for a widget of `type`
    // ("frame", "button", "window"). On success the wrapper owns the widget and is
    // registered; when the host makes nothing, `id` stays 0 and every later operation
    // goes out with id 0.
    void CreateWidget(const char* type);

    // One GetValue or SetValue with a single property key. `value` points to the datum
    // (for a get, to the caller's preset storage).
    void GetValue(const char* key, void* value) const;
    void SetValue(const char* key, void* value) const;

    // Sends one request to the host about widget `widget`: `op` is one of the operation
    // codes of abi/widget_ops.h, with the options and presets it names there. The array
    // ends with a null name. Nothing is sent while the host API is unbound.
    static void Send(int32_t widget, int32_t op, MQOption* options);

    // Adds this wrapper under `id`. An id that another wrapper holds already keeps its
    // entry, except after a create (see CreateWidget).
    void Register();
    // Removes the entry for `id`, whichever wrapper it points to.
    void Unregister();

    int32_t id;
    bool owned;
    std::vector<std::shared_ptr<MQWidgetEventClosureBase>> handlers;

private:
    friend class MQWidgetEventClosureBase;

    // Lets go of a host widget that is gone and whose id a new widget now holds: no id,
    // not owned, not registered, so nothing this wrapper does reaches the new widget.
    void Retire();

    // Unique to this wrapper among all the library ever makes, unlike its address or id.
    uint64_t serial;
};
