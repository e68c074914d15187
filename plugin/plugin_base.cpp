#include "plugin/plugin_base.h"

void MQStationPlugin::OnEvent102(MQDocument, BOOL32) {}
int32_t MQStationPlugin::OnMessage(MQDocument, int32_t, int32_t, void*, void*) { return 0; }
void MQStationPlugin::OnEvent110(MQDocument, MQScene, int32_t, int32_t) {}
void MQStationPlugin::OnLoadDocument(MQDocument, const char*, DocumentXmlArgs*) {}
void MQStationPlugin::OnEvent201(MQDocument) {}
void MQStationPlugin::OnSaveDocument(MQDocument, const char*, DocumentXmlArgs*) {}
BOOL32 MQStationPlugin::OnEvent210(MQDocument, int32_t) { return 0; }
BOOL32 MQStationPlugin::OnEvent211(MQDocument, int32_t) { return 0; }
void MQStationPlugin::OnEvent212(MQDocument, int32_t, int32_t) {}
void MQStationPlugin::OnEvent221(MQDocument) {}
void MQStationPlugin::OnEvent222(MQDocument) {}
void MQStationPlugin::OnEvent220(MQDocument) {}
void MQStationPlugin::OnEvent231(MQDocument) {}
void MQStationPlugin::OnEvent230(MQDocument) {}
void MQStationPlugin::OnEvent240(MQDocument, MQScene) {}

intptr_t MQStationPlugin::InvokeCallback(void* value, void* record) {
    CallbackFn* function = *static_cast<CallbackFn**>(record);
    return function(this, value, record);
}

BOOL32 MQCommandPlugin::OnMouseEvent120(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent121(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent122(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent123(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent124(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent125(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent126(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent127(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent128(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent129(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnMouseEvent130(MQDocument, MQScene, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnKeyEvent140(MQDocument, MQScene, int32_t, MouseState*) { return 0; }
BOOL32 MQCommandPlugin::OnKeyEvent141(MQDocument, MQScene, int32_t, MouseState*) { return 0; }
