// The smallest station plug-in that passes pellucid-host validate, for the suite's own
// tests: a hidden window "Mini" with one button "Ask" that asks a question, the count of
// its presses kept in each document. Compiled once as it is and once for each group of
// checks with MINI_FAULT set to a fault that the group must find:
//   1 file       exports a name beside the fourteen
//   2 handshake  MQInit reads the module name without looking for null
//   3 identity   answers the type of an import plug-in
//   4 lifecycle  activation off leaves the window shown
//   5 events     an unknown event reads the first option's value without looking
//   6 widgets    the exit deletes no widget
//   7 documents  a save writes one press more than there were
//   8 settings   every exit adds an element to its settings
//   9 reentry    an answered question relabels the button whatever happened meanwhile
//  10 memory     every start keeps 256 KiB it never frees
//  11 gestures   the fifth press crashes
//  12 warning    shows its window with the boolean byte 2, which real hosts read as true
//  13 hang       the fifth press never returns
//  14 reentry    a load rebuilds the button, and a question answered OK goes ahead
//                whatever happened meanwhile (the seed decides nothing: found always)
// It uses the C boundary's headers and the system's module loader, nothing else.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "abi/abi.h"

#if defined(_WIN32)
#include <windows.h>
#define MINI_EXPORT extern "C" __declspec(dllexport)
using Wide = wchar_t;
#define MINI_TEXT(text) L##text
#else
#include <dlfcn.h>
#define MINI_EXPORT extern "C" __attribute__((visibility("default")))
using Wide = char16_t;
#define MINI_TEXT(text) u##text
#endif

#ifndef MINI_FAULT
#define MINI_FAULT 0
#endif

namespace {

typedef int32_t WidgetValueFn(int32_t widget, int32_t op, void* options);
typedef int32_t SendMessageFn(int32_t code, void* record);
typedef int32_t XmlValueFn(void* element, int32_t op, void* record);

WidgetValueFn* g_widget = nullptr;
SendMessageFn* g_message = nullptr;
XmlValueFn* g_xml = nullptr;

int32_t g_window = 0;
int32_t g_button = 0;
int32_t g_generation = 0;  // one more at every start and exit
bool g_active = false;
int32_t g_presses = 0;
int32_t g_ever_pressed = 0;
void* volatile g_kept = nullptr;  // of the memory fault: the last block, the others lost

constexpr uint32_t kProduct = 0x4D494E49, kId = 0x53544154;

int32_t Create(const char* type) {
    int32_t id = 0;
    MQOption options[] = {{MQWIDGET_KEY_TYPE, const_cast<char*>(type)}, {MQWIDGET_KEY_ID, &id}, {nullptr, nullptr}};
    g_widget(0, MQWIDGET_CREATE, options);
    return id;
}

void Set(int32_t widget, const char* key, void* value) {
    MQOption options[] = {{key, value}, {nullptr, nullptr}};
    g_widget(widget, MQWIDGET_SET_VALUE, options);
}

void Listen(int32_t widget, const char* type, MQWidgetEventProc_Fn* proc) {
    unsigned char prior = 0;
    MQOption options[] = {{MQWIDGET_KEY_TYPE, const_cast<char*>(type)},
                          {MQWIDGET_KEY_PROC, reinterpret_cast<void*>(proc)},
                          {MQWIDGET_KEY_POINTER, nullptr},
                          {MQWIDGET_KEY_PRIOR, &prior},
                          {nullptr, nullptr}};
    g_widget(widget, MQWIDGET_ADD_EVENT, options);
}

void Show(bool shown) {
    unsigned char visible = shown ? (MINI_FAULT == 12 ? 2 : 1) : 0;
    if (g_window != 0) Set(g_window, MQKEY_VISIBLE, &visible);
}

int32_t OnHide(void*, void*, void*) {
    g_active = false;
    return 1;
}

int32_t OnAsk(void*, void*, void*) {
    if (g_window == 0) return 0;
    if (MINI_FAULT == 11 && ++g_ever_pressed == 5) {
        volatile int32_t* nowhere = nullptr;
        *nowhere = 1;
    }
    if (MINI_FAULT == 13 && ++g_ever_pressed == 5) {
        for (volatile bool forever = true; forever;) {
        }
    }
    ++g_presses;
    int32_t generation = g_generation, result = 0, button = g_button;
    MQOption box[] = {{MQWIDGET_KEY_PARENT, &g_window},
                      {MQWIDGET_KEY_TYPE, const_cast<char*>(MQBOX_TYPE)},
                      {MQBOX_KEY_MESSAGE_TYPE, const_cast<char*>(MQBOX_OKCANCEL)},
                      {MQBOX_KEY_MESSAGE, const_cast<Wide*>(MINI_TEXT("Again?"))},
                      {MQBOX_KEY_TITLE, const_cast<Wide*>(MINI_TEXT("Mini"))},
                      {MQWIDGET_KEY_RESULT, &result},
                      {nullptr, nullptr}};
    g_widget(0, MQWIDGET_MESSAGEBOX, box);
    // The host ran its loop while the box was open: the button may be gone.
    bool goes_ahead = generation == g_generation || MINI_FAULT == 9 || (MINI_FAULT == 14 && result == MQBOX_OK);
    if (!goes_ahead) return 1;
    Set(button, MQKEY_TEXT, const_cast<Wide*>(result == MQBOX_OK ? MINI_TEXT("Asked") : MINI_TEXT("Ask")));
    return 1;
}

void AddButton() {
    g_button = Create(MQWIDGET_TYPE_BUTTON);
    Set(g_button, MQKEY_TEXT, const_cast<Wide*>(MINI_TEXT("Ask")));
    int32_t result = -1;
    MQOption child[] = {{MQWIDGET_KEY_CHILD, &g_button}, {MQWIDGET_KEY_RESULT, &result}, {nullptr, nullptr}};
    g_widget(g_window, MQWIDGET_ADD_CHILD, child);
    Listen(g_button, MQEVT_EXECUTE, OnAsk);
}

void Start() {
    ++g_generation;
    g_window = Create(MQWIDGET_TYPE_WINDOW);
    Set(g_window, MQKEY_TITLE, const_cast<Wide*>(MINI_TEXT("Mini")));
    AddButton();
    Listen(g_window, MQEVT_HIDE, OnHide);
    g_active = false;
    if (MINI_FAULT == 10) {
        g_kept = std::malloc(256 * 1024);
        if (g_kept != nullptr) std::memset(g_kept, 1, 256 * 1024);
    }
}

void* SettingsElement() {
    MQOption wanted[] = {{MQMSG_KEY_ROOT, nullptr}, {MQMSG_KEY_PLUGIN_SETTINGS, nullptr}, {nullptr, nullptr}};
    MQSendMessageInfo record{kProduct, kId, 0, wanted};
    g_message(MQ_MESSAGE_PLUGIN_SETTINGS, &record);
    return wanted[1].value;
}

void Exit() {
    ++g_generation;
    if (MINI_FAULT == 8) {
        if (void* settings = SettingsElement()) {
            void* record[] = {const_cast<char*>("MiniRun"), nullptr};
            g_xml(settings, MQXML_ADD_CHILD, record);
        }
    }
    if (MINI_FAULT != 6 && g_window != 0) {
        MQOption none[] = {{nullptr, nullptr}};
        g_widget(g_window, MQWIDGET_DELETE, none);
    }
    g_window = g_button = 0;
    g_active = false;
}

void* Option(void* argument, const char* name) {
    for (MQOption* option = static_cast<MQOption*>(argument); option != nullptr && option->name != nullptr; ++option) {
        if (std::strcmp(option->name, name) == 0) return option->value;
    }
    return nullptr;
}

void Load(void* element) {
    g_presses = 0;
    if (MINI_FAULT == 14 && g_window != 0) {
        ++g_generation;
        MQOption none[] = {{nullptr, nullptr}};
        g_widget(g_button, MQWIDGET_DELETE, none);
        AddButton();
    }
    if (element == nullptr) return;
    void* find[] = {const_cast<char*>("Presses"), nullptr};
    g_xml(element, MQXML_FIRST_CHILD, find);
    if (find[1] == nullptr) return;
    void* text[] = {nullptr};
    g_xml(find[1], MQXML_GET_TEXT, text);
    if (text[0] != nullptr) g_presses = std::atoi(static_cast<const char*>(text[0]));
}

void Save(void* element) {
    if (element == nullptr) return;
    void* add[] = {const_cast<char*>("Presses"), nullptr};
    g_xml(element, MQXML_ADD_CHILD, add);
    if (add[1] == nullptr) return;
    char number[16];
    std::snprintf(number, sizeof number, "%d", static_cast<int>(g_presses + (MINI_FAULT == 7 ? 1 : 0)));
    void* text[] = {number};
    g_xml(add[1], MQXML_SET_TEXT, text);
}

void* FindInModule(const char* file, const char* name, void** module) {
#if defined(_WIN32)
    if (*module == nullptr) *module = reinterpret_cast<void*>(LoadLibraryA(file));
    return *module != nullptr ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(*module), name)) : nullptr;
#else
    if (*module == nullptr) *module = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    return *module != nullptr ? dlsym(*module, name) : nullptr;
#endif
}

void Release(void* module) {
    if (module == nullptr) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(module));
#else
    dlclose(module);
#endif
}

}  // namespace

MINI_EXPORT uint32_t MQCheckVersion(uint32_t host_version) { return host_version >= MQ_MIN_HOST_VERSION ? MQ_PLUGIN_VERSION : 0; }

MINI_EXPORT int32_t MQInit(const char* host_module_file) {
    if (MINI_FAULT != 2 && host_module_file == nullptr) return 0;
    if (host_module_file[0] == '\0') return 0;
    void* module = nullptr;
    auto* widget = reinterpret_cast<WidgetValueFn*>(FindInModule(host_module_file, "MQWidget_Value", &module));
    auto* message = reinterpret_cast<SendMessageFn*>(FindInModule(host_module_file, "MQ_SendMessage", &module));
    auto* xml = reinterpret_cast<XmlValueFn*>(FindInModule(host_module_file, "MQXmlElem_Value", &module));
    Release(module);  // the host module is the running host, which stays loaded
    if (widget == nullptr || message == nullptr || xml == nullptr) return 0;
    g_widget = widget, g_message = message, g_xml = xml;
    return 1;
}

MINI_EXPORT void MQGetPlugInID(uint32_t* product, uint32_t* id) { *product = kProduct, *id = kId; }
MINI_EXPORT const char* MQGetPlugInName() { return "Mini station"; }
MINI_EXPORT int32_t MQGetPlugInType() { return MINI_FAULT == 3 ? 1 : MQPLUGIN_TYPE_STATION; }
MINI_EXPORT const char* MQEnumString(int32_t index) { return index == 0 ? "Mini" : nullptr; }
MINI_EXPORT const char* MQEnumFileType(int32_t) { return nullptr; }
MINI_EXPORT const char* MQEnumFileExt(int32_t) { return nullptr; }
MINI_EXPORT int32_t MQImportFile(int32_t, void*, void*) { return 0; }
MINI_EXPORT int32_t MQExportFile(int32_t, void*, void*) { return 0; }
MINI_EXPORT int32_t MQCreate(int32_t, void*) { return 0; }
MINI_EXPORT int32_t MQModifyObject(int32_t, void*) { return 0; }
MINI_EXPORT int32_t MQModifySelect(int32_t, void*) { return 0; }
#if MINI_FAULT == 1
MINI_EXPORT int32_t MiniPresses() { return g_presses; }
#endif

MINI_EXPORT int32_t MQOnEvent(void*, int32_t event, void* argument) {
    switch (event) {
    case MQEVENT_INITIALIZE:
        Start();
        return 1;
    case MQEVENT_EXIT:
        Exit();
        return 1;
    case MQEVENT_ACTIVATE: {
        bool on = argument != nullptr && *static_cast<int32_t*>(argument) != 0;
        if (on || MINI_FAULT != 4) Show(on);
        g_active = on && g_window != 0;
        return g_active ? 1 : 0;
    }
    case MQEVENT_IS_ACTIVATED:
        return g_active ? 1 : 0;
    case MQEVENT_LOAD_DOCUMENT:
        Load(Option(argument, MQEVENT_KEY_XML_ELEMENT));
        return 1;
    case MQEVENT_SAVE_DOCUMENT:
        Save(Option(argument, MQEVENT_KEY_XML_ELEMENT));
        return 1;
    default:
        if (MINI_FAULT == 5 && event > 240 && argument != nullptr) {
            return *static_cast<int32_t*>(static_cast<MQOption*>(argument)->value);
        }
        return 0;
    }
}
