#include "plugin/dispatch.h"

#include "plugin/guard.h"
#include "abi/events.h"
#include "abi/exports.h"
#include "abi/mouse.h"
#include "plugin/options.h"

namespace {

MouseState MakeMouseState(const MQOption* options, bool with_position) {
    int32_t buttons = GetOptionInt(options, MQMOUSE_KEY_BUTTON_STATE, 0);
    auto bit = [buttons](int32_t mask) { return (buttons & mask) != 0 ? 1 : 0; };
    MouseState state{};
    if (with_position) {
        state.mouse_pos_x = GetOptionInt(options, MQMOUSE_KEY_POS_X, 0);
        state.mouse_pos_y = GetOptionInt(options, MQMOUSE_KEY_POS_Y, 0);
        state.mouse_wheel = GetOptionInt(options, MQMOUSE_KEY_WHEEL, 0);
    }
    state.lbutton = bit(MQMOUSE_LEFT);
    state.mbutton = bit(MQMOUSE_MIDDLE);
    state.rbutton = bit(MQMOUSE_RIGHT);
    state.shift = bit(MQMOUSE_SHIFT);
    state.ctrl = bit(MQMOUSE_CTRL);
    state.flag20 = bit(MQMOUSE_FLAG20);
    return state;
}

int32_t DispatchMouse(MQCommandPlugin& plugin, MQDocument document, int32_t event,
                      const MQOption* options) {
    using Handler = BOOL32 (MQCommandPlugin::*)(MQDocument, MQScene, MouseState*);
    static constexpr Handler kHandlers[] = {
        &MQCommandPlugin::OnMouseEvent120, &MQCommandPlugin::OnMouseEvent121,
        &MQCommandPlugin::OnMouseEvent122, &MQCommandPlugin::OnMouseEvent123,
        &MQCommandPlugin::OnMouseEvent124, &MQCommandPlugin::OnMouseEvent125,
        &MQCommandPlugin::OnMouseEvent126, &MQCommandPlugin::OnMouseEvent127,
        &MQCommandPlugin::OnMouseEvent128, &MQCommandPlugin::OnMouseEvent129,
        &MQCommandPlugin::OnMouseEvent130};
    MQScene scene = FindOptionValue(options, MQEVENT_KEY_SCENE);
    MouseState state = MakeMouseState(options, true);
    return (plugin.*kHandlers[event - MQEVENT_MOUSE_FIRST])(document, scene, &state);
}

int32_t DispatchKey(MQCommandPlugin& plugin, MQDocument document, int32_t event,
                    const MQOption* options) {
    MQScene scene = FindOptionValue(options, MQEVENT_KEY_SCENE);
    int32_t key = GetOptionInt(options, MQEVENT_KEY_KEY, 0);
    MouseState state = MakeMouseState(options, false);
    return event == MQEVENT_KEY_140 ? plugin.OnKeyEvent140(document, scene, key, &state)
                        : plugin.OnKeyEvent141(document, scene, key, &state);
}

int32_t Dispatch(MQStationPlugin& plugin, MQDocument document, int32_t event, void* argument) {
    const auto* options = static_cast<const MQOption*>(argument);
    if ((event >= MQEVENT_MOUSE_FIRST && event <= MQEVENT_MOUSE_LAST) || event == MQEVENT_KEY_140 ||
        event == MQEVENT_KEY_141) {
        // The type test comes before any option is read.
        auto* command = dynamic_cast<MQCommandPlugin*>(&plugin);
        if (command == nullptr) return 0;
        return event <= MQEVENT_MOUSE_LAST ? DispatchMouse(*command, document, event, options)
                            : DispatchKey(*command, document, event, options);
    }
    switch (event) {
    case MQEVENT_INITIALIZE:
        return plugin.Initialize();
    case MQEVENT_EXIT:
        plugin.Exit();
        return 1;
    case MQEVENT_ACTIVATE:
        if (argument == nullptr) return 0;
        return plugin.Activate(document, *static_cast<const int32_t*>(argument));
    case MQEVENT_IS_ACTIVATED:
        return plugin.IsActivated(document);
    case MQEVENT_102:
        if (argument == nullptr) return 0;
        plugin.OnEvent102(document, *static_cast<const int32_t*>(argument));
        return 1;
    case MQEVENT_MESSAGE: {
        int32_t src_product = GetOptionInt(options, MQEVENT_KEY_SRC_PRODUCT, 0);
        int32_t src_id = GetOptionInt(options, MQEVENT_KEY_SRC_ID, 0);
        void* description = FindOptionValue(options, MQEVENT_KEY_DESCRIPTION);
        void* message = FindOptionValue(options, MQEVENT_KEY_MESSAGE);
        auto* result = static_cast<int32_t*>(FindOptionValue(options, MQEVENT_KEY_RESULT));
        int32_t answer = plugin.OnMessage(document, src_product, src_id, description, message);
        if (result != nullptr) *result = answer;
        return 1;
    }
    case MQEVENT_110: {
        int32_t height = GetOptionInt(options, MQEVENT_KEY_HEIGHT, 1);
        int32_t width = GetOptionInt(options, MQEVENT_KEY_WIDTH, 1);
        MQScene scene = FindOptionValue(options, MQEVENT_KEY_SCENE);
        plugin.OnEvent110(document, scene, width, height);
        return 1;
    }
    case MQEVENT_LOAD_DOCUMENT: {
        DocumentXmlArgs args{FindOptionValue(options, MQEVENT_KEY_XML_ELEMENT), 0};
        auto* filename = static_cast<const char*>(FindOptionValue(options, MQEVENT_KEY_FILENAME));
        plugin.OnLoadDocument(document, filename, &args);
        return 1;
    }
    case MQEVENT_201:
        plugin.OnEvent201(document);
        return 1;
    case MQEVENT_SAVE_DOCUMENT: {
        DocumentXmlArgs args{FindOptionValue(options, MQEVENT_KEY_XML_ELEMENT), 0};
        auto* filename = static_cast<const char*>(FindOptionValue(options, MQEVENT_KEY_FILENAME));
        plugin.OnSaveDocument(document, filename, &args);
        if (args.save_uid != 0) {
            auto* save_uid = static_cast<int32_t*>(FindOptionValue(options, MQEVENT_KEY_SAVE_UID));
            if (save_uid != nullptr) *save_uid = 1;
        }
        return 1;
    }
    case MQEVENT_210:
        return plugin.OnEvent210(document, GetOptionInt(options, MQEVENT_KEY_STATE, 0));
    case MQEVENT_211:
        return plugin.OnEvent211(document, GetOptionInt(options, MQEVENT_KEY_STATE, 0));
    case MQEVENT_212: {
        int32_t size = GetOptionInt(options, MQEVENT_KEY_SIZE, 0);
        int32_t state = GetOptionInt(options, MQEVENT_KEY_STATE, 0);
        plugin.OnEvent212(document, state, size);
        return 1;
    }
    case MQEVENT_220:
        plugin.OnEvent220(document);
        return 1;
    case MQEVENT_221:
        plugin.OnEvent221(document);
        return 1;
    case MQEVENT_222:
        plugin.OnEvent222(document);
        return 1;
    case MQEVENT_230:
        plugin.OnEvent230(document);
        return 1;
    case MQEVENT_231:
        plugin.OnEvent231(document);
        return 1;
    case MQEVENT_240:
        plugin.OnEvent240(document, FindOptionValue(options, MQEVENT_KEY_SCENE));
        return 1;
    default:
        return 0;
    }
}

}  // namespace

int32_t DispatchEvent(MQBasePlugin* plugin, MQDocument document, int32_t event,
                      void* argument) noexcept {
    return Guarded<int32_t>(0, [&]() -> int32_t {
        auto* station = dynamic_cast<MQStationPlugin*>(plugin);
        return station != nullptr ? Dispatch(*station, document, event, argument) : 0;
    });
}

const char* EnumPluginString(MQBasePlugin* plugin, int32_t index) noexcept {
    return Guarded<const char*>(nullptr, [&]() -> const char* {
        int32_t type = plugin->GetPlugInType();
        // Types 3 to 5 take other kinds of plug-in.
        if (type != MQPLUGIN_TYPE_STATION && type != MQPLUGIN_TYPE_COMMAND) return nullptr;
        auto* station = dynamic_cast<MQStationPlugin*>(plugin);
        return station != nullptr && index == 0 ? station->EnumString() : nullptr;
    });
}

const char* EnumPluginFileType(MQBasePlugin*, int32_t) noexcept { return nullptr; }
const char* EnumPluginFileExt(MQBasePlugin*, int32_t) noexcept { return nullptr; }
int32_t RunFileOperation(MQBasePlugin*, int32_t, void*, void*) noexcept { return 0; }
int32_t RunObjectOperation(MQBasePlugin*, int32_t, void*) noexcept { return 0; }

void GetPluginIdentity(MQBasePlugin* plugin, uint32_t* product, uint32_t* id) noexcept {
    Guarded<int>(0, [&] {
        plugin->GetPlugInID(product, id);
        return 0;
    });
}

const char* GetPluginName(MQBasePlugin* plugin) noexcept {
    return Guarded<const char*>(nullptr, [&] { return plugin->GetPlugInName(); });
}

int32_t GetPluginType(MQBasePlugin* plugin) noexcept {
    return Guarded<int32_t>(0, [&] { return plugin->GetPlugInType(); });
}
