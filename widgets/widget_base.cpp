#include "widgets/widget_base.h"

#include <map>
#include <new>

#include "abi/widget_keys.h"
#include "plugin/host_api.h"
#include "widgets/widget_events.h"

namespace {

using Registry = std::map<int32_t, MQWidgetBase*>;

// The registry is never destroyed: the plug-in object, a static of another file, destroys
// its window at library unload, and the order in which statics of different files die is
// not ours to choose. It lives in static storage, so its memory goes with the library; it
// is empty by then, so no node is left behind.
Registry& TheRegistry() {
    alignas(Registry) static unsigned char storage[sizeof(Registry)];
    static Registry* registry = new (storage) Registry();
    return *registry;
}

uint64_t NextSerial() {
    static uint64_t last = 0;
    return ++last;
}

// An option value: the toolkit's arrays point at its own data, which the host only reads
// (except the out-values), so the const is the array type's, not a promise broken.
void* Value(const void* datum) { return const_cast<void*>(datum); }

}  // namespace

MQWidgetBase::MQWidgetBase() : id(0), owned(false), serial(NextSerial()) {}

MQWidgetBase::MQWidgetBase(int32_t existing) : id(existing), owned(false), serial(NextSerial()) {
    if (id != 0) Register();
}

MQWidgetBase::~MQWidgetBase() {
    if (id != 0) {
        Unregister();
        if (owned) {
            MQOption none[] = {{nullptr, nullptr}};
            Send(id, MQWIDGET_DELETE, none);
        }
        id = 0;
        owned = false;
    }
    handlers.clear();
}

void MQWidgetBase::Retire() {
    Registry& registry = TheRegistry();
    auto entry = registry.find(id);
    if (entry != registry.end() && entry->second == this) registry.erase(entry);
    id = 0;
    owned = false;
}

void MQWidgetBase::Send(int32_t widget, int32_t op, MQOption* options) {
    if (g_host.MQWidget_Value == nullptr) return;
    g_host.MQWidget_Value(widget, op, options);
}

void MQWidgetBase::Register() { TheRegistry().try_emplace(id, this); }

void MQWidgetBase::Unregister() { TheRegistry().erase(id); }

MQWidgetBase* MQWidgetBase::FindWidget(int32_t id) {
    const Registry& registry = TheRegistry();
    auto found = registry.find(id);
    return found != registry.end() ? found->second : nullptr;
}

size_t MQWidgetBase::RegisteredWidgetCount() { return TheRegistry().size(); }

// A host hands out the id of no live widget. When the id it answers is still registered,
// the wrapper there stands for a widget that is gone (deleted with the container it was
// placed in, or destroyed by the host on its own) and whose id the host has now reused.
// The new wrapper takes the entry and the stale one retires: left alone it would keep the
// new widget's events from their handlers, and its destruction would delete the new
// widget and drop the new wrapper's entry.
void MQWidgetBase::CreateWidget(const char* type) {
    MQOption options[] = {{MQWIDGET_KEY_TYPE, Value(type)}, {MQWIDGET_KEY_ID, &id}, {nullptr, nullptr}};
    Send(0, MQWIDGET_CREATE, options);
    if (id == 0) return;
    owned = true;
    auto [entry, inserted] = TheRegistry().try_emplace(id, this);
    if (!inserted && entry->second != this) {
        MQWidgetBase* stale = entry->second;
        entry->second = this;
        stale->Retire();
    }
}

void MQWidgetBase::GetValue(const char* key, void* value) const {
    MQOption options[] = {{key, value}, {nullptr, nullptr}};
    Send(id, MQWIDGET_GET_VALUE, options);
}

void MQWidgetBase::SetValue(const char* key, void* value) const {
    MQOption options[] = {{key, value}, {nullptr, nullptr}};
    Send(id, MQWIDGET_SET_VALUE, options);
}

int32_t MQWidgetBase::AddChild(MQWidgetBase* child) {
    if (child == nullptr) return -1;
    int32_t child_id = child->id;
    int32_t result = -1;
    MQOption options[] = {{MQWIDGET_KEY_CHILD, &child_id}, {MQWIDGET_KEY_RESULT, &result}, {nullptr, nullptr}};
    Send(id, MQWIDGET_ADD_CHILD, options);
    return result;
}

void MQWidgetBase::RemoveChild(MQWidgetBase* child) {
    if (child == nullptr) return;
    int32_t child_id = child->id;
    MQOption options[] = {{MQWIDGET_KEY_CHILD, &child_id}, {nullptr, nullptr}};
    Send(id, MQWIDGET_REMOVE_CHILD, options);
}

void MQWidgetBase::AddEventHandler(const char* type, std::shared_ptr<MQWidgetEventClosureBase> closure) {
    // Room first: once the host holds the closure's address, the closure must stay.
    handlers.reserve(handlers.size() + 1);
    unsigned char prior = 0;
    MQOption options[] = {{MQWIDGET_KEY_TYPE, Value(type)},
                          {MQWIDGET_KEY_PROC, reinterpret_cast<void*>(&WidgetEventProc)},
                          {MQWIDGET_KEY_POINTER, closure.get()},
                          {MQWIDGET_KEY_PRIOR, &prior},
                          {nullptr, nullptr}};
    Send(id, MQWIDGET_ADD_EVENT, options);
    handlers.push_back(std::move(closure));
}

std::shared_ptr<MQWidgetEventClosureBase> MQWidgetBase::FindHandler(const void* pointer) const {
    for (const auto& closure : handlers) {
        if (closure.get() == pointer) return closure;
    }
    return nullptr;
}

void MQWidgetBase::SetVisible(bool visible) {
    unsigned char flag = visible ? 1 : 0;
    SetValue(MQKEY_VISIBLE, &flag);
}

void MQWidgetBase::SetInSpace(double space) { SetValue(MQKEY_INSPACE, &space); }

void MQWidgetBase::SetOutSpace(double space) { SetValue(MQKEY_OUTSPACE, &space); }
