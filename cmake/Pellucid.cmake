# Helpers shared by the folders' build files.

# The plug-in's code, compiled once: the plug-in file is made from these objects, and the
# unit tests link them directly. Symbols are hidden; only the exports are marked.
add_library(pellucid_core OBJECT)
target_include_directories(pellucid_core PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
set_target_properties(pellucid_core PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Unique global symbols (a GCC extension; clang makes none) would make the plug-in file
  # impossible to unload.
  target_compile_options(pellucid_core PUBLIC -fno-gnu-unique)
endif()

configure_file(${PROJECT_SOURCE_DIR}/slots/version.h.in ${PROJECT_BINARY_DIR}/generated/slots/version.h @ONLY)
