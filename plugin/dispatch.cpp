#include "plugin/dispatch.h"

#include "plugin/guard.h"
#include "plugin/options.h"

namespace {

MouseState MakeMouseState(const MQOption* options, bool with_position) {
    int32_t buttons = GetOptionInt(options, "button_state", 0);
    auto bit = [buttons](int n) { return (buttons >> n) & 1; };
    MouseState state{};
    if (with_position) {
        state.mouse_pos_x = GetOptionInt(options, "mouse_pos_x", 0);
        state.mouse_pos_y = GetOptionInt(options, "mouse_pos_y", 0);
        state.mouse_wheel = GetOptionInt(options, "mouse_wheel", 0);
    }
    state.lbutton = bit(0);
    state.mbutton = bit(4);
    state.rbutton = bit(1);
    state.shift = bit(2);
    state.ctrl = bit(3);
    state.flag20 = bit(5);
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
    MQScene scene = FindOptionValue(options, "scene");
    MouseState state = MakeMouseState(options, true);
    return (plugin.*kHandlers[event - 120])(document, scene, &state);
}

int32_t DispatchKey(MQCommandPlugin& plugin, MQDocument document, int32_t event,
                    const MQOption* options) {
    MQScene scene = FindOptionValue(options, "scene");
    int32_t key = GetOptionInt(options, "key", 0);
    MouseState state = MakeMouseState(options, false);
    return event == 140 ? plugin.OnKeyEvent140(document, scene, key, &state)
                        : plugin.OnKeyEvent141(document, scene, key, &state);
}

int32_t Dispatch(MQStationPlugin& plugin, MQDocument document, int32_t event, void* argument) {
    const auto* options = static_cast<const MQOption*>(argument);
    if ((event >= 120 && event <= 130) || event == 140 || event == 141) {
        // The type test comes before any option is read.
        auto* command = dynamic_cast<MQCommandPlugin*>(&plugin);
        if (command == nullptr) return 0;
        return event <= 130 ? DispatchMouse(*command, document, event, options)
                            : DispatchKey(*command, document, event, options);
    }
    switch (event) {
    case 1:
        return plugin.Initialize();
    case 2:
        plugin.Exit();
        return 1;
    case 100:
        if (argument == nullptr) return 0;
        return plugin.Activate(document, *static_cast<const int32_t*>(argument));
    case 101:
        return plugin.IsActivated(document);
    case 102:
        if (argument == nullptr) return 0;
        plugin.OnEvent102(document, *static_cast<const int32_t*>(argument));
        return 1;
    case 103: {
        int32_t src_product = GetOptionInt(options, "src_product", 0);
        int32_t src_id = GetOptionInt(options, "src_id", 0);
        void* description = FindOptionValue(options, "description");
        void* message = FindOptionValue(options, "message");
        auto* result = static_cast<int32_t*>(FindOptionValue(options, "result"));
        int32_t answer = plugin.OnMessage(document, src_product, src_id, description, message);
        if (result != nullptr) *result = answer;
        return 1;
    }
    case 110: {
        int32_t height = GetOptionInt(options, "height", 1);
        int32_t width = GetOptionInt(options, "width", 1);
        MQScene scene = FindOptionValue(options, "scene");
        plugin.OnEvent110(document, scene, width, height);
        return 1;
    }
    case 200: {
        DocumentXmlArgs args{FindOptionValue(options, "xml_elem"), 0};
        auto* filename = static_cast<const char*>(FindOptionValue(options, "filename"));
        plugin.OnLoadDocument(document, filename, &args);
        return 1;
    }
    case 201:
        plugin.OnEvent201(document);
        return 1;
    case 202: {
        DocumentXmlArgs args{FindOptionValue(options, "xml_elem"), 0};
        auto* filename = static_cast<const char*>(FindOptionValue(options, "filename"));
        plugin.OnSaveDocument(document, filename, &args);
        if (args.save_uid != 0) {
            auto* save_uid = static_cast<int32_t*>(FindOptionValue(options, "save_uid"));
            if (save_uid != nullptr) *save_uid = 1;
        }
        return 1;
    }
    case 210:
        return plugin.OnEvent210(document, GetOptionInt(options, "state", 0));
    case 211:
        return plugin.OnEvent211(document, GetOptionInt(options, "state", 0));
    case 212: {
        int32_t size = GetOptionInt(options, "size", 0);
        int32_t state = GetOptionInt(options, "state", 0);
        plugin.OnEvent212(document, state, size);
        return 1;
    }
    case 220:
        plugin.OnEvent220(document);
        return 1;
    case 221:
        plugin.OnEvent221(document);
        return 1;
    case 222:
        plugin.OnEvent222(document);
        return 1;
    case 230:
        plugin.OnEvent230(document);
        return 1;
    case 231:
        plugin.OnEvent231(document);
        return 1;
    case 240:
        plugin.OnEvent240(document, FindOptionValue(options, "scene"));
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
        if (type != 6 && type != 7) return nullptr;  // 3 to 5 take other kinds of plug-in
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
