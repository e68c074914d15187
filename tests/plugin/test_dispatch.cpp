// The event dispatcher and the generic exports, on plug-ins that record what reaches them.
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "plugin/dispatch.h"

namespace {

// A station plug-in that writes each operation it receives, with its arguments, as text.
class RecordingStation : public MQStationPlugin {
public:
    std::vector<std::string> calls;
    BOOL32 answer = 1;

    void GetPlugInID(uint32_t* product, uint32_t* id) override { *product = 1, *id = 2; }
    const char* GetPlugInName() override { return "recorder"; }
    int32_t GetPlugInType() override { return 6; }
    const char* EnumString() override { return "Recorder"; }
    BOOL32 Initialize() override { return Log("Initialize"), answer; }
    void Exit() override { Log("Exit"); }
    BOOL32 Activate(MQDocument d, BOOL32 flag) override {
        return Log("Activate " + Doc(d) + " " + std::to_string(flag)), answer;
    }
    BOOL32 IsActivated(MQDocument d) override { return Log("IsActivated " + Doc(d)), answer; }
    void OnEvent102(MQDocument d, BOOL32 flag) override { Log("102 " + Doc(d) + " " + std::to_string(flag)); }
    int32_t OnMessage(MQDocument d, int32_t product, int32_t id, void* description, void* message) override {
        Log("OnMessage " + Doc(d) + " " + std::to_string(product) + " " + std::to_string(id) + " " +
            Ptr(description) + " " + Ptr(message));
        return 0;
    }
    void OnEvent110(MQDocument d, MQScene scene, int32_t width, int32_t height) override {
        Log("110 " + Doc(d) + " " + Ptr(scene) + " " + std::to_string(width) + "x" + std::to_string(height));
    }
    void OnLoadDocument(MQDocument d, const char* file, DocumentXmlArgs* args) override {
        Log("Load " + Doc(d) + " " + (file ? file : "null") + " " + Ptr(args->element));
    }
    void OnEvent201(MQDocument d) override { Log("201 " + Doc(d)); }
    void OnSaveDocument(MQDocument d, const char* file, DocumentXmlArgs* args) override {
        Log("Save " + Doc(d) + " " + (file ? file : "null") + " " + Ptr(args->element) + " uid " +
            std::to_string(args->save_uid));
        args->save_uid = save_uid_answer;
    }
    BOOL32 OnEvent210(MQDocument, int32_t state) override { return Log("210 " + std::to_string(state)), answer; }
    BOOL32 OnEvent211(MQDocument, int32_t state) override { return Log("211 " + std::to_string(state)), answer; }
    void OnEvent212(MQDocument, int32_t state, int32_t size) override {
        Log("212 state " + std::to_string(state) + " size " + std::to_string(size));
    }
    void OnEvent221(MQDocument) override { Log("op18"); }
    void OnEvent222(MQDocument) override { Log("op19"); }
    void OnEvent220(MQDocument) override { Log("op20"); }
    void OnEvent231(MQDocument) override { Log("op21"); }
    void OnEvent230(MQDocument) override { Log("op22"); }
    void OnEvent240(MQDocument, MQScene scene) override { Log("240 " + Ptr(scene)); }

    int32_t save_uid_answer = 0;

private:
    void Log(std::string text) { calls.push_back(std::move(text)); }
    static std::string Ptr(const void* p) { return p == nullptr ? "null" : "set"; }
    static std::string Doc(MQDocument d) { return d == nullptr ? "nodoc" : "doc"; }
};

class RecordingCommand : public MQCommandPlugin {
public:
    RecordingStation base;
    std::vector<std::string> calls;
    MouseState last{};
    int32_t last_key = -1;
    MQScene last_scene = nullptr;

    void GetPlugInID(uint32_t* product, uint32_t* id) override { *product = 1, *id = 3; }
    const char* GetPlugInName() override { return "command"; }
    int32_t GetPlugInType() override { return 7; }
    const char* EnumString() override { return "Command"; }
    BOOL32 Initialize() override { return 1; }
    void Exit() override {}
    BOOL32 Activate(MQDocument, BOOL32) override { return 0; }
    BOOL32 IsActivated(MQDocument) override { return 0; }
    BOOL32 OnMouseEvent120(MQDocument, MQScene s, MouseState* m) override { return Mouse(120, s, m); }
    BOOL32 OnMouseEvent125(MQDocument, MQScene s, MouseState* m) override { return Mouse(125, s, m); }
    BOOL32 OnMouseEvent130(MQDocument, MQScene s, MouseState* m) override { return Mouse(130, s, m); }
    BOOL32 OnKeyEvent140(MQDocument, MQScene s, int32_t key, MouseState* m) override {
        last_key = key;
        return Mouse(140, s, m);
    }
    BOOL32 OnKeyEvent141(MQDocument, MQScene s, int32_t key, MouseState* m) override {
        last_key = key;
        return Mouse(141, s, m);
    }

private:
    BOOL32 Mouse(int event, MQScene scene, MouseState* state) {
        calls.push_back(std::to_string(event));
        last = *state;
        last_scene = scene;
        return 1;
    }
};

class ThrowingStation : public RecordingStation {
public:
    BOOL32 Initialize() override { throw std::bad_alloc(); }
    const char* EnumString() override { throw std::length_error("menu"); }
};

MQDocument kDoc = reinterpret_cast<MQDocument>(0x1000);

class Dispatch : public ::testing::Test {
protected:
    RecordingStation station;
    int32_t Send(int32_t event, void* argument = nullptr) {
        return DispatchEvent(&station, kDoc, event, argument);
    }
};

TEST_F(Dispatch, LifecycleEventsReachTheirOperations) {
    station.answer = 1;
    EXPECT_EQ(Send(1), 1);
    station.answer = 0;
    EXPECT_EQ(Send(1), 0);  // event 1 hands back what Initialize answers
    EXPECT_EQ(Send(2), 1);  // event 2 answers 1 whatever Exit does
    int32_t flag = 7;
    station.answer = 1;
    EXPECT_EQ(Send(100, &flag), 1);
    EXPECT_EQ(Send(101), 1);
    EXPECT_EQ(Send(102, &flag), 1);
    EXPECT_EQ(station.calls, (std::vector<std::string>{"Initialize", "Initialize", "Exit", "Activate doc 7",
                                                       "IsActivated doc", "102 doc 7"}));
}

TEST_F(Dispatch, FlagEventsWithoutTheirFlagCallNothing) {
    EXPECT_EQ(Send(100, nullptr), 0);
    EXPECT_EQ(Send(102, nullptr), 0);
    EXPECT_TRUE(station.calls.empty());
}

TEST_F(Dispatch, MessageEventWritesTheResultOnlyWhenAsked) {
    int32_t result = -1;
    char description[] = "d";
    MQOption with_result[] = {{"description", description}, {"result", &result}, {nullptr, nullptr}};
    EXPECT_EQ(Send(103, with_result), 1);
    EXPECT_EQ(result, 0);
    MQOption without[] = {{nullptr, nullptr}};
    EXPECT_EQ(Send(103, without), 1);
    EXPECT_EQ(Send(103, nullptr), 1);
    ASSERT_EQ(station.calls.size(), 3u);
    EXPECT_EQ(station.calls[0], "OnMessage doc 0 0 set null");
}

TEST_F(Dispatch, MessageEventPassesSourceIds) {
    int32_t product = 0x77, id = 0x66, result = 5;
    MQOption options[] = {{"src_product", &product}, {"src_id", &id}, {"result", &result}, {nullptr, nullptr}};
    Send(103, options);
    EXPECT_EQ(station.calls.back(), "OnMessage doc 119 102 null null");
}

TEST_F(Dispatch, SizeEventDefaultsToOneByOne) {
    EXPECT_EQ(Send(110, nullptr), 1);
    int32_t width = 640;
    int scene = 0;
    MQOption options[] = {{"width", &width}, {"scene", &scene}, {nullptr, nullptr}};
    EXPECT_EQ(Send(110, options), 1);
    EXPECT_EQ(station.calls, (std::vector<std::string>{"110 doc null 1x1", "110 doc set 640x1"}));
}

TEST_F(Dispatch, DocumentEventsPassTheElementAndFileName) {
    int element = 0;
    char file[] = "scene.mqx";
    int32_t save_uid = -9;
    MQOption options[] = {{"xml_elem", &element}, {"filename", file}, {"save_uid", &save_uid}, {nullptr, nullptr}};
    EXPECT_EQ(Send(200, options), 1);
    EXPECT_EQ(Send(202, options), 1);
    EXPECT_EQ(save_uid, -9);  // the plug-in asked for nothing: never written
    station.save_uid_answer = 1;
    EXPECT_EQ(Send(202, options), 1);
    EXPECT_EQ(save_uid, 1);
    EXPECT_EQ(Send(200, nullptr), 1);
    EXPECT_EQ(station.calls, (std::vector<std::string>{"Load doc scene.mqx set", "Save doc scene.mqx set uid 0",
                                                       "Save doc scene.mqx set uid 0", "Load doc null null"}));
}

TEST_F(Dispatch, StateEventsPassStateBeforeSize) {
    int32_t state = 3, size = 40;
    MQOption options[] = {{"size", &size}, {"state", &state}, {nullptr, nullptr}};
    station.answer = 1;
    EXPECT_EQ(Send(210, options), 1);
    EXPECT_EQ(Send(211, nullptr), 1);
    EXPECT_EQ(Send(212, options), 1);
    EXPECT_EQ(station.calls, (std::vector<std::string>{"210 3", "211 0", "212 state 3 size 40"}));
}

TEST_F(Dispatch, EventsReachOperationsOutOfNumberOrder) {
    for (int32_t event : {220, 221, 222, 230, 231}) EXPECT_EQ(Send(event), 1);
    EXPECT_EQ(station.calls, (std::vector<std::string>{"op20", "op18", "op19", "op22", "op21"}));
}

TEST_F(Dispatch, SceneEventAndPlainDocumentEvent) {
    int scene = 0;
    MQOption options[] = {{"scene", &scene}, {nullptr, nullptr}};
    EXPECT_EQ(Send(240, options), 1);
    EXPECT_EQ(Send(201), 1);
    EXPECT_EQ(station.calls, (std::vector<std::string>{"240 set", "201 doc"}));
}

TEST_F(Dispatch, EventsOutsideTheTableAnswerZeroAndCallNothing) {
    for (int32_t event : {0, -1, 3, 99, 104, 111, 119, 131, 139, 142, 199, 203, 209, 213, 219, 223, 229,
                          232, 239, 241, 1000}) {
        EXPECT_EQ(Send(event), 0) << event;
    }
    EXPECT_TRUE(station.calls.empty());
}

TEST_F(Dispatch, MouseAndKeyEventsOfAStationPluginReadNothing) {
    // An address that cannot be read: any look at the options would crash the test.
    MQOption* poisoned = reinterpret_cast<MQOption*>(0x10);
    for (int32_t event = 120; event <= 130; ++event) EXPECT_EQ(Send(event, poisoned), 0);
    EXPECT_EQ(Send(140, poisoned), 0);
    EXPECT_EQ(Send(141, poisoned), 0);
    EXPECT_TRUE(station.calls.empty());
}

TEST(CommandDispatch, MouseStateFlagsFollowTheButtonBits) {
    RecordingCommand command;
    int32_t x = 10, y = 20, wheel = -120, buttons = 0x01 | 0x08 | 0x40;
    int scene = 0;
    MQOption options[] = {{"mouse_pos_x", &x}, {"mouse_pos_y", &y}, {"mouse_wheel", &wheel},
                          {"button_state", &buttons}, {"scene", &scene}, {nullptr, nullptr}};
    EXPECT_EQ(DispatchEvent(&command, kDoc, 125, options), 1);
    EXPECT_EQ(command.calls, std::vector<std::string>{"125"});
    EXPECT_EQ(command.last_scene, &scene);
    const MouseState& m = command.last;
    EXPECT_EQ(m.mouse_pos_x, 10);
    EXPECT_EQ(m.mouse_pos_y, 20);
    EXPECT_EQ(m.mouse_wheel, -120);
    EXPECT_EQ((std::vector<int>{m.lbutton, m.mbutton, m.rbutton, m.shift, m.ctrl, m.flag20}),
              (std::vector<int>{1, 0, 0, 0, 1, 0}));

    buttons = 0x10 | 0x02 | 0x04 | 0x20;
    DispatchEvent(&command, kDoc, 130, options);
    EXPECT_EQ((std::vector<int>{command.last.lbutton, command.last.mbutton, command.last.rbutton,
                                command.last.shift, command.last.ctrl, command.last.flag20}),
              (std::vector<int>{0, 1, 1, 1, 0, 1}));
}

TEST(CommandDispatch, KeyEventsCarryTheKeyAndNoPosition) {
    RecordingCommand command;
    int32_t key = 'A', buttons = 0x04, x = 50;
    MQOption options[] = {{"key", &key}, {"button_state", &buttons}, {"mouse_pos_x", &x}, {nullptr, nullptr}};
    EXPECT_EQ(DispatchEvent(&command, kDoc, 141, options), 1);
    EXPECT_EQ(command.calls, std::vector<std::string>{"141"});
    EXPECT_EQ(command.last_key, 'A');
    EXPECT_EQ(command.last.mouse_pos_x, 0);
    EXPECT_EQ(command.last.shift, 1);
    EXPECT_EQ(DispatchEvent(&command, kDoc, 120, nullptr), 1);  // no options: all zero
    EXPECT_EQ(command.last.mouse_pos_x, 0);
}

TEST(EnumExports, StationPluginHasOneMenuStringAtIndexZero) {
    RecordingStation station;
    EXPECT_STREQ(EnumPluginString(&station, 0), "Recorder");
    EXPECT_EQ(EnumPluginString(&station, 1), nullptr);
    EXPECT_EQ(EnumPluginString(&station, -1), nullptr);
    EXPECT_EQ(EnumPluginFileType(&station, 0), nullptr);
    EXPECT_EQ(EnumPluginFileExt(&station, 0), nullptr);
}

TEST(EnumExports, FileAndObjectOperationsNeverReachLifecycleOperations) {
    RecordingStation station;
    int a = 0, b = 0;
    EXPECT_EQ(RunFileOperation(&station, 0, &a, &b), 0);
    EXPECT_EQ(RunObjectOperation(&station, 0, &a), 0);
    EXPECT_TRUE(station.calls.empty());  // Initialize and Exit were not run
}

TEST(ExceptionSafety, StandardExceptionsBecomeFailureValues) {
    ThrowingStation station;
    EXPECT_EQ(DispatchEvent(&station, kDoc, 1, nullptr), 0);
    EXPECT_EQ(EnumPluginString(&station, 0), nullptr);
}

}  // namespace
