// The plug-in class family behind the exports: MQBasePlugin, MQStationPlugin and, as far
// as the event dispatcher needs it, MQCommandPlugin.
#pragma once

#include <cstdint>

#include "abi/records.h"



// Built by the dispatcher for one mouse or key event of a command plug-in. The flags are
// bits of the host's "button_state" as 0 or 1, in this order: bits 0, 4, 1, 2, 3, 5.
struct MouseState {
    int32_t mouse_pos_x;
    int32_t mouse_pos_y;
    int32_t mouse_wheel;
    int32_t lbutton;
    int32_t mbutton;
    int32_t rbutton;
    int32_t shift;
    int32_t ctrl;
    int32_t flag20;
};

// Built by the dispatcher for one document load or save. The plug-in may set `save_uid`
// during a save to ask the host to keep unique object IDs in the file.
struct DocumentXmlArgs {
    MQXmlElement element;
    int32_t save_uid;
};

class MQBasePlugin {
public:
    virtual ~MQBasePlugin() = default;
    virtual void GetPlugInID(uint32_t* product, uint32_t* id) = 0;
    virtual const char* GetPlugInName() = 0;
    virtual int32_t GetPlugInType() = 0;
};

// A plug-in that lives for the whole host session: started by event 1, ended by event 2,
// activated and asked by events 100 and 101, told of documents by events 200 and 202.
// Every other event reaches an empty default.
class MQStationPlugin : public MQBasePlugin {
public:
    // The menu string.
    virtual const char* EnumString() = 0;
    virtual BOOL32 Initialize() = 0;
    virtual void Exit() = 0;
    // Returns the resulting activation state.
    virtual BOOL32 Activate(MQDocument document, BOOL32 flag) = 0;
    virtual BOOL32 IsActivated(MQDocument document) = 0;
    virtual void OnEvent102(MQDocument document, BOOL32 flag);
    virtual int32_t OnMessage(MQDocument document, int32_t src_product, int32_t src_id,
                              void* description, void* message);
    virtual void OnEvent110(MQDocument document, MQScene scene, int32_t width, int32_t height);
    virtual void OnLoadDocument(MQDocument document, const char* filename, DocumentXmlArgs* args);
    virtual void OnEvent201(MQDocument document);
    virtual void OnSaveDocument(MQDocument document, const char* filename, DocumentXmlArgs* args);
    virtual BOOL32 OnEvent210(MQDocument document, int32_t state);
    virtual BOOL32 OnEvent211(MQDocument document, int32_t state);
    virtual void OnEvent212(MQDocument document, int32_t state, int32_t size);
    virtual void OnEvent221(MQDocument document);
    virtual void OnEvent222(MQDocument document);
    virtual void OnEvent220(MQDocument document);
    virtual void OnEvent231(MQDocument document);
    virtual void OnEvent230(MQDocument document);
    virtual void OnEvent240(MQDocument document, MQScene scene);

    // A callback record begins with the function to call; InvokeCallback calls it with
    // this plug-in, `value` and the record, and returns what it returns.
    typedef intptr_t CallbackFn(MQStationPlugin* plugin, void* value, void* record);
    virtual intptr_t InvokeCallback(void* value, void* record);
};

// A station plug-in that also takes the scene's mouse and key events. This program has no
// such plug-in; the dispatcher tests for the class before it reads a mouse or key event.
class MQCommandPlugin : public MQStationPlugin {
public:
    virtual BOOL32 OnMouseEvent120(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent121(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent122(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent123(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent124(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent125(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent126(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent127(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent128(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent129(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnMouseEvent130(MQDocument document, MQScene scene, MouseState* state);
    virtual BOOL32 OnKeyEvent140(MQDocument document, MQScene scene, int32_t key, MouseState* state);
    virtual BOOL32 OnKeyEvent141(MQDocument document, MQScene scene, int32_t key, MouseState* state);
};

// The library's one plug-in object, of static storage, which every export works on.
// Defined by the concrete plug-in.
MQBasePlugin* GetPluginClass();
