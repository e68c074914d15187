// The generic export layer: what each export does, written against the plug-in class
// family. The C exports apply these to the library's one plug-in object; tests apply them
// to plug-ins of their own. None of them lets an exception out.
#pragma once

#include <cstdint>

#include "plugin/plugin_base.h"

// Turns a numbered host event into one operation of `plugin`; 0 for events outside the
// table, for mouse and key events of a plug-in that takes none, and for a malformed
// argument (a null flag pointer for events 100 and 102).
int32_t DispatchEvent(MQBasePlugin* plugin, MQDocument document, int32_t event,
                      void* argument) noexcept;

// The menu string of a station plug-in at index 0; null for every other index and type.
const char* EnumPluginString(MQBasePlugin* plugin, int32_t index) noexcept;

// File types and extensions belong to import and export plug-ins (types 1 and 2), and
// the index-taking operations of the import, export, create and modify exports to the
// kinds of types 1 to 5. The library holds no plug-in of those kinds, so these answer null
// or 0 without calling anything: calling a station plug-in's operations 5 and 6 there
// would run Initialize or Exit with arguments they do not take.
const char* EnumPluginFileType(MQBasePlugin* plugin, int32_t index) noexcept;
const char* EnumPluginFileExt(MQBasePlugin* plugin, int32_t index) noexcept;
int32_t RunFileOperation(MQBasePlugin* plugin, int32_t index, void* a, void* b) noexcept;
int32_t RunObjectOperation(MQBasePlugin* plugin, int32_t index, void* a) noexcept;

void GetPluginIdentity(MQBasePlugin* plugin, uint32_t* product, uint32_t* id) noexcept;
const char* GetPluginName(MQBasePlugin* plugin) noexcept;
int32_t GetPluginType(MQBasePlugin* plugin) noexcept;
