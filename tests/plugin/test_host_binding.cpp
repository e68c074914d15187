// The version handshake and the binding of the host API, with the module loader replaced
// by one that counts loads and releases around the system's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugin/host_api.h"

extern "C" uint32_t MQCheckVersion(uint32_t);
extern "C" int32_t MQInit(const char*);

namespace {

// The binding order as the host documents it, kept apart from the table the plug-in
// binds from, so that a mistake in that table cannot agree with itself.
const std::vector<std::string> kBindingOrder = {
    "MQ_GetWindowHandle", "MQ_CreateObject", "MQ_CreateMaterial", "MQ_ShowFileDialog",
    "MQ_ImportAxis", "MQ_ExportAxis", "MQ_LoadImage", "MQ_GetSystemPath", "MQ_RefreshView",
    "MQ_StationCallback", "MQ_SendMessage", "MQDoc_GetObjectCount", "MQDoc_GetObject",
    "MQDoc_GetObjectFromUniqueID", "MQDoc_GetCurrentObjectIndex", "MQDoc_SetCurrentObjectIndex",
    "MQDoc_AddObject", "MQDoc_DeleteObject", "MQDoc_GetObjectIndex", "MQDoc_GetUnusedObjectName",
    "MQDoc_GetMaterialCount", "MQDoc_GetMaterial", "MQDoc_GetMaterialFromUniqueID",
    "MQDoc_GetCurrentMaterialIndex", "MQDoc_SetCurrentMaterialIndex", "MQDoc_AddMaterial",
    "MQDoc_DeleteMaterial", "MQDoc_GetUnusedMaterialName", "MQDoc_Compact", "MQDoc_ClearSelect",
    "MQDoc_AddSelectVertex", "MQDoc_DeleteSelectVertex", "MQDoc_IsSelectVertex",
    "MQDoc_AddSelectLine", "MQDoc_DeleteSelectLine", "MQDoc_IsSelectLine", "MQDoc_AddSelectFace",
    "MQDoc_DeleteSelectFace", "MQDoc_IsSelectFace", "MQDoc_AddSelectUVVertex",
    "MQDoc_DeleteSelectUVVertex", "MQDoc_IsSelectUVVertex", "MQDoc_FindMappingFile",
    "MQDoc_GetScene", "MQDoc_GetMappingImage", "MQDoc_GetParentObject",
    "MQDoc_GetChildObjectCount", "MQDoc_GetChildObject", "MQDoc_GetGlobalMatrix",
    "MQDoc_GetGlobalInverseMatrix", "MQDoc_InsertObject", "MQDoc_CreateUserData",
    "MQDoc_DeleteUserData", "MQDoc_Triangulate", "MQScene_InitSize", "MQScene_GetProjMatrix",
    "MQScene_GetViewMatrix", "MQScene_FloatValue", "MQScene_GetVisibleFace", "MQScene_IntValue",
    "MQObj_Delete", "MQObj_Clone", "MQObj_Merge", "MQObj_Freeze", "MQObj_GetName",
    "MQObj_GetVertexCount", "MQObj_GetVertex", "MQObj_SetVertex", "MQObj_GetVertexArray",
    "MQObj_GetFaceCount", "MQObj_GetFacePointCount", "MQObj_GetFacePointArray",
    "MQObj_GetFaceCoordinateArray", "MQObj_GetFaceMaterial", "MQObj_GetFaceUniqueID",
    "MQObj_GetFaceIndexFromUniqueID", "MQObj_SetName", "MQObj_AddVertex", "MQObj_DeleteVertex",
    "MQObj_GetVertexRefCount", "MQObj_GetVertexUniqueID", "MQObj_GetVertexIndexFromUniqueID",
    "MQObj_GetVertexRelatedFaces", "MQObj_GetVertexWeight", "MQObj_SetVertexWeight",
    "MQObj_CopyVertexAttribute", "MQObj_AddFace", "MQObj_InsertFace", "MQObj_DeleteFace",
    "MQObj_InvertFace", "MQObj_SetFaceMaterial", "MQObj_SetFaceCoordinateArray",
    "MQObj_GetFaceVertexColor", "MQObj_SetFaceVertexColor", "MQObj_GetFaceEdgeCrease",
    "MQObj_SetFaceEdgeCrease", "MQObj_GetFaceVisible", "MQObj_SetFaceVisible",
    "MQObj_OptimizeVertex", "MQObj_Compact", "MQObj_GetVisible", "MQObj_SetVisible",
    "MQObj_GetPatchType", "MQObj_SetPatchType", "MQObj_GetPatchSegment", "MQObj_SetPatchSegment",
    "MQObj_GetShading", "MQObj_SetShading", "MQObj_GetSmoothAngle", "MQObj_SetSmoothAngle",
    "MQObj_GetMirrorType", "MQObj_SetMirrorType", "MQObj_GetMirrorAxis", "MQObj_SetMirrorAxis",
    "MQObj_GetMirrorDistance", "MQObj_SetMirrorDistance", "MQObj_GetLatheType",
    "MQObj_SetLatheType", "MQObj_GetLatheAxis", "MQObj_SetLatheAxis", "MQObj_GetLatheSegment",
    "MQObj_SetLatheSegment", "MQObj_GetIntValue", "MQObj_GetFloatArray", "MQObj_SetIntValue",
    "MQObj_SetFloatArray", "MQObj_PointerArray", "MQObj_AllocUserData", "MQObj_FreeUserData",
    "MQObj_GetUserData", "MQObj_SetUserData", "MQObj_AllocVertexUserData",
    "MQObj_FreeVertexUserData", "MQObj_GetVertexUserData", "MQObj_SetVertexUserData",
    "MQObj_AllocFaceUserData", "MQObj_FreeFaceUserData", "MQObj_GetFaceUserData",
    "MQObj_SetFaceUserData", "MQMat_Delete", "MQMat_GetIntValue", "MQMat_GetFloatArray",
    "MQMat_GetName", "MQMat_GetColor", "MQMat_GetAlpha", "MQMat_GetDiffuse", "MQMat_GetAmbient",
    "MQMat_GetEmission", "MQMat_GetSpecular", "MQMat_GetPower", "MQMat_GetTextureName",
    "MQMat_GetAlphaName", "MQMat_GetBumpName", "MQMat_SetIntValue", "MQMat_SetFloatArray",
    "MQMat_SetName", "MQMat_SetColor", "MQMat_SetAlpha", "MQMat_SetDiffuse", "MQMat_SetAmbient",
    "MQMat_SetEmission", "MQMat_SetSpecular", "MQMat_SetPower", "MQMat_SetTextureName",
    "MQMat_SetAlphaName", "MQMat_SetBumpName", "MQMat_AllocUserData", "MQMat_FreeUserData",
    "MQMat_GetUserData", "MQMat_SetUserData", "MQMatrix_FloatValue", "MQXmlElem_Value",
    "MQXmlDoc_Value", "MQWidget_Value", "MQCanvas_Value"};

// Wraps the system's loader: counts loads and releases, records the names looked up and
// can pretend that one name is missing.
struct CountingLoader {
    static inline int loads = 0;
    static inline int releases = 0;
    static inline std::vector<std::string> lookups;
    static inline std::string missing;

    static platform::Module Load(const char* file) {
        platform::Module module = platform::SystemModuleLoader().load(file);
        if (module != nullptr) ++loads;
        return module;
    }
    static void* Find(platform::Module module, const char* name) {
        lookups.push_back(name);
        return name == missing ? nullptr : platform::SystemModuleLoader().find(module, name);
    }
    static void Release(platform::Module module) {
        ++releases;
        platform::SystemModuleLoader().release(module);
    }
};

const platform::ModuleLoader kCountingLoader{CountingLoader::Load, CountingLoader::Find,
                                             CountingLoader::Release};

class HostBinding : public ::testing::Test {
protected:
    void SetUp() override {
        CountingLoader::loads = CountingLoader::releases = 0;
        CountingLoader::lookups.clear();
        CountingLoader::missing.clear();
        g_host = MQHostApi{};
        previous_ = platform::UseModuleLoader(&kCountingLoader);
        // Hold the stand-in host module for the whole test, as the running host holds
        // itself, so the bound addresses stay valid.
        host_file_ = platform::ProgramFolder() + MQHOST_FILE_NAME;
        held_ = platform::SystemModuleLoader().load(host_file_.c_str());
        ASSERT_NE(held_, nullptr) << host_file_;
    }
    void TearDown() override {
        platform::UseModuleLoader(previous_);
        if (held_ != nullptr) platform::SystemModuleLoader().release(held_);
        g_host = MQHostApi{};
    }
    const platform::ModuleLoader* previous_ = nullptr;
    platform::Module held_ = nullptr;
    std::string host_file_;
};

TEST(VersionHandshake, AcceptsHostsFrom0x4101Unsigned) {
    EXPECT_EQ(MQCheckVersion(0), 0u);
    EXPECT_EQ(MQCheckVersion(0x4100), 0u);
    EXPECT_EQ(MQCheckVersion(0x4101), 0x411u);
    EXPECT_EQ(MQCheckVersion(0xFFFFFFFFu), 0x411u);
}

TEST_F(HostBinding, BindsEveryNameInOrderAndReleasesTheModule) {
    EXPECT_EQ(MQInit(host_file_.c_str()), 1);
    EXPECT_EQ(CountBoundHostFunctions(), 175);
    EXPECT_EQ(CountingLoader::lookups, kBindingOrder);
    EXPECT_EQ(CountingLoader::loads, 1);
    EXPECT_EQ(CountingLoader::releases, 1);
    EXPECT_NE(g_host.MQWidget_Value, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(g_host.MQDoc_GetObject),
              platform::SystemModuleLoader().find(held_, "MQDoc_GetObject"));
}

TEST_F(HostBinding, AModuleLackingTheLastNameFailsAndIsReleased) {
    CountingLoader::missing = "MQCanvas_Value";
    EXPECT_EQ(MQInit(host_file_.c_str()), 0);
    EXPECT_EQ(CountBoundHostFunctions(), 174);
    EXPECT_EQ(CountingLoader::lookups.size(), 175u);
    EXPECT_EQ(CountingLoader::loads, 1);
    EXPECT_EQ(CountingLoader::releases, 1);
}

TEST_F(HostBinding, BindingStopsAtTheFirstMissingName) {
    CountingLoader::missing = "MQObj_GetName";
    EXPECT_EQ(MQInit(host_file_.c_str()), 0);
    EXPECT_EQ(CountingLoader::lookups.back(), "MQObj_GetName");
    EXPECT_EQ(CountingLoader::lookups.size(), 65u);
    EXPECT_EQ(CountBoundHostFunctions(), 64);  // later entries keep their nulls
    EXPECT_EQ(g_host.MQWidget_Value, nullptr);
    EXPECT_EQ(CountingLoader::releases, 1);
}

TEST_F(HostBinding, AFileThatCannotBeLoadedTouchesNothing) {
    EXPECT_EQ(MQInit((platform::ProgramFolder() + "no-such-host-module").c_str()), 0);
    EXPECT_EQ(MQInit(nullptr), 0);
    EXPECT_EQ(CountingLoader::loads, 0);
    EXPECT_EQ(CountingLoader::releases, 0);
    EXPECT_TRUE(CountingLoader::lookups.empty());
    EXPECT_EQ(CountBoundHostFunctions(), 0);
}

TEST_F(HostBinding, BindingTwiceBindsTheSameAddresses) {
    ASSERT_EQ(MQInit(host_file_.c_str()), 1);
    MQHostApi first = g_host;
    ASSERT_EQ(MQInit(host_file_.c_str()), 1);
    EXPECT_EQ(first.MQ_SendMessage, g_host.MQ_SendMessage);
    EXPECT_EQ(first.MQCanvas_Value, g_host.MQCanvas_Value);
    EXPECT_EQ(CountingLoader::loads, CountingLoader::releases);
}

}  // namespace
