// The host functions that a plug-in binds by name, in binding order, and the signatures
// of the ten that this plug-in calls.
//
// One list serves both sides of the boundary: the plug-in's host API table and its
// binding walk are generated from it, and so are the stand-in host's exports.
// CALLED(name) marks the ten functions that the plug-in calls (their signatures are
// below, as name##_Fn); BOUND(name) marks the 165 that it only looks up.
#pragma once

#include <cstdint>

extern "C" {

// Sends a message (messages.h) with its record; the answer is never read.
typedef int32_t MQ_SendMessage_Fn(int32_t code, void* message);
// A widget operation (widget_ops.h) on `widget` with an option array; outputs come back
// through the array's preset variables, the answer is never read.
typedef int32_t MQWidget_Value_Fn(int32_t widget, int32_t op, void* options);
// An XML operation (xml_ops.h) on `element` with its record; the answer is never read.
typedef int32_t MQXmlElem_Value_Fn(void* element, int32_t op, void* record);
// The number of object places of a document; places may be empty.
typedef int32_t MQDoc_GetObjectCount_Fn(void* document);
// The object at a place, or null for an empty place or one out of range.
typedef void* MQDoc_GetObject_Fn(void* document, int32_t index);
// The object's index in the document; negative for one the document does not count.
typedef int32_t MQDoc_GetObjectIndex_Fn(void* document, void* object);
// Writes the object's name, in the system's ANSI code page, into `buffer` of `size` bytes.
typedef void MQObj_GetName_Fn(void* object, char* buffer, int32_t size);
// Non-zero when the object is shown.
typedef uint32_t MQObj_GetVisible_Fn(void* object);
// Shows (MQOBJ_VISIBLE) or hides (MQOBJ_HIDDEN) the object.
typedef void MQObj_SetVisible_Fn(void* object, uint32_t visible);
// An integer value of the object by code (objects.h).
typedef int32_t MQObj_GetIntValue_Fn(void* object, int32_t code);

}  // extern "C"

#define MQ_HOST_FUNCTIONS(CALLED, BOUND) \
    /* application-wide, positions 1 to 11 */ \
    BOUND(MQ_GetWindowHandle) BOUND(MQ_CreateObject) BOUND(MQ_CreateMaterial) \
    BOUND(MQ_ShowFileDialog) BOUND(MQ_ImportAxis) BOUND(MQ_ExportAxis) BOUND(MQ_LoadImage) \
    BOUND(MQ_GetSystemPath) BOUND(MQ_RefreshView) BOUND(MQ_StationCallback) \
    CALLED(MQ_SendMessage) \
    /* document, positions 12 to 54 */ \
    CALLED(MQDoc_GetObjectCount) CALLED(MQDoc_GetObject) BOUND(MQDoc_GetObjectFromUniqueID) \
    BOUND(MQDoc_GetCurrentObjectIndex) BOUND(MQDoc_SetCurrentObjectIndex) BOUND(MQDoc_AddObject) \
    BOUND(MQDoc_DeleteObject) CALLED(MQDoc_GetObjectIndex) BOUND(MQDoc_GetUnusedObjectName) \
    BOUND(MQDoc_GetMaterialCount) BOUND(MQDoc_GetMaterial) BOUND(MQDoc_GetMaterialFromUniqueID) \
    BOUND(MQDoc_GetCurrentMaterialIndex) BOUND(MQDoc_SetCurrentMaterialIndex) \
    BOUND(MQDoc_AddMaterial) BOUND(MQDoc_DeleteMaterial) BOUND(MQDoc_GetUnusedMaterialName) \
    BOUND(MQDoc_Compact) BOUND(MQDoc_ClearSelect) BOUND(MQDoc_AddSelectVertex) \
    BOUND(MQDoc_DeleteSelectVertex) BOUND(MQDoc_IsSelectVertex) BOUND(MQDoc_AddSelectLine) \
    BOUND(MQDoc_DeleteSelectLine) BOUND(MQDoc_IsSelectLine) BOUND(MQDoc_AddSelectFace) \
    BOUND(MQDoc_DeleteSelectFace) BOUND(MQDoc_IsSelectFace) BOUND(MQDoc_AddSelectUVVertex) \
    BOUND(MQDoc_DeleteSelectUVVertex) BOUND(MQDoc_IsSelectUVVertex) BOUND(MQDoc_FindMappingFile) \
    BOUND(MQDoc_GetScene) BOUND(MQDoc_GetMappingImage) BOUND(MQDoc_GetParentObject) \
    BOUND(MQDoc_GetChildObjectCount) BOUND(MQDoc_GetChildObject) BOUND(MQDoc_GetGlobalMatrix) \
    BOUND(MQDoc_GetGlobalInverseMatrix) BOUND(MQDoc_InsertObject) BOUND(MQDoc_CreateUserData) \
    BOUND(MQDoc_DeleteUserData) BOUND(MQDoc_Triangulate) \
    /* scene, positions 55 to 60 */ \
    BOUND(MQScene_InitSize) BOUND(MQScene_GetProjMatrix) BOUND(MQScene_GetViewMatrix) \
    BOUND(MQScene_FloatValue) BOUND(MQScene_GetVisibleFace) BOUND(MQScene_IntValue) \
    /* object, positions 61 to 139 */ \
    BOUND(MQObj_Delete) BOUND(MQObj_Clone) BOUND(MQObj_Merge) BOUND(MQObj_Freeze) \
    CALLED(MQObj_GetName) BOUND(MQObj_GetVertexCount) BOUND(MQObj_GetVertex) \
    BOUND(MQObj_SetVertex) BOUND(MQObj_GetVertexArray) BOUND(MQObj_GetFaceCount) \
    BOUND(MQObj_GetFacePointCount) BOUND(MQObj_GetFacePointArray) \
    BOUND(MQObj_GetFaceCoordinateArray) BOUND(MQObj_GetFaceMaterial) \
    BOUND(MQObj_GetFaceUniqueID) BOUND(MQObj_GetFaceIndexFromUniqueID) BOUND(MQObj_SetName) \
    BOUND(MQObj_AddVertex) BOUND(MQObj_DeleteVertex) BOUND(MQObj_GetVertexRefCount) \
    BOUND(MQObj_GetVertexUniqueID) BOUND(MQObj_GetVertexIndexFromUniqueID) \
    BOUND(MQObj_GetVertexRelatedFaces) BOUND(MQObj_GetVertexWeight) \
    BOUND(MQObj_SetVertexWeight) BOUND(MQObj_CopyVertexAttribute) BOUND(MQObj_AddFace) \
    BOUND(MQObj_InsertFace) BOUND(MQObj_DeleteFace) BOUND(MQObj_InvertFace) \
    BOUND(MQObj_SetFaceMaterial) BOUND(MQObj_SetFaceCoordinateArray) \
    BOUND(MQObj_GetFaceVertexColor) BOUND(MQObj_SetFaceVertexColor) \
    BOUND(MQObj_GetFaceEdgeCrease) BOUND(MQObj_SetFaceEdgeCrease) BOUND(MQObj_GetFaceVisible) \
    BOUND(MQObj_SetFaceVisible) BOUND(MQObj_OptimizeVertex) BOUND(MQObj_Compact) \
    CALLED(MQObj_GetVisible) CALLED(MQObj_SetVisible) BOUND(MQObj_GetPatchType) \
    BOUND(MQObj_SetPatchType) BOUND(MQObj_GetPatchSegment) BOUND(MQObj_SetPatchSegment) \
    BOUND(MQObj_GetShading) BOUND(MQObj_SetShading) BOUND(MQObj_GetSmoothAngle) \
    BOUND(MQObj_SetSmoothAngle) BOUND(MQObj_GetMirrorType) BOUND(MQObj_SetMirrorType) \
    BOUND(MQObj_GetMirrorAxis) BOUND(MQObj_SetMirrorAxis) BOUND(MQObj_GetMirrorDistance) \
    BOUND(MQObj_SetMirrorDistance) BOUND(MQObj_GetLatheType) BOUND(MQObj_SetLatheType) \
    BOUND(MQObj_GetLatheAxis) BOUND(MQObj_SetLatheAxis) BOUND(MQObj_GetLatheSegment) \
    BOUND(MQObj_SetLatheSegment) CALLED(MQObj_GetIntValue) BOUND(MQObj_GetFloatArray) \
    BOUND(MQObj_SetIntValue) BOUND(MQObj_SetFloatArray) BOUND(MQObj_PointerArray) \
    BOUND(MQObj_AllocUserData) BOUND(MQObj_FreeUserData) BOUND(MQObj_GetUserData) \
    BOUND(MQObj_SetUserData) BOUND(MQObj_AllocVertexUserData) BOUND(MQObj_FreeVertexUserData) \
    BOUND(MQObj_GetVertexUserData) BOUND(MQObj_SetVertexUserData) \
    BOUND(MQObj_AllocFaceUserData) BOUND(MQObj_FreeFaceUserData) BOUND(MQObj_GetFaceUserData) \
    BOUND(MQObj_SetFaceUserData) \
    /* material, positions 140 to 170 */ \
    BOUND(MQMat_Delete) BOUND(MQMat_GetIntValue) BOUND(MQMat_GetFloatArray) BOUND(MQMat_GetName) \
    BOUND(MQMat_GetColor) BOUND(MQMat_GetAlpha) BOUND(MQMat_GetDiffuse) BOUND(MQMat_GetAmbient) \
    BOUND(MQMat_GetEmission) BOUND(MQMat_GetSpecular) BOUND(MQMat_GetPower) \
    BOUND(MQMat_GetTextureName) BOUND(MQMat_GetAlphaName) BOUND(MQMat_GetBumpName) \
    BOUND(MQMat_SetIntValue) BOUND(MQMat_SetFloatArray) BOUND(MQMat_SetName) \
    BOUND(MQMat_SetColor) BOUND(MQMat_SetAlpha) BOUND(MQMat_SetDiffuse) BOUND(MQMat_SetAmbient) \
    BOUND(MQMat_SetEmission) BOUND(MQMat_SetSpecular) BOUND(MQMat_SetPower) \
    BOUND(MQMat_SetTextureName) BOUND(MQMat_SetAlphaName) BOUND(MQMat_SetBumpName) \
    BOUND(MQMat_AllocUserData) BOUND(MQMat_FreeUserData) BOUND(MQMat_GetUserData) \
    BOUND(MQMat_SetUserData) \
    /* matrix, XML, widgets and canvas, positions 171 to 175 */ \
    BOUND(MQMatrix_FloatValue) CALLED(MQXmlElem_Value) BOUND(MQXmlDoc_Value) \
    CALLED(MQWidget_Value) BOUND(MQCanvas_Value)
