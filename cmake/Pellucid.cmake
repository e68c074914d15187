# Helpers shared by the folders' build files.

# The plug-in and the stand-in host meet only through abi/ and platform/. Each side
# compiles against an include root of its own, a folder of the build tree with links to
# just the source folders it may include, so that an include of the other side's headers
# fails to compile. Tests, fuzz targets and benchmarks, which see both sides, include the
# source folder whole.
set(PELLUCID_SHARED_ROOT ${PROJECT_BINARY_DIR}/include_roots/shared)
set(PELLUCID_PLUGIN_ROOT ${PROJECT_BINARY_DIR}/include_roots/plugin)
set(PELLUCID_HOST_ROOT ${PROJECT_BINARY_DIR}/include_roots/host)
function(pellucid_include_root root)
  foreach(folder IN LISTS ARGN)
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endforeach()
endfunction()
pellucid_include_root(${PELLUCID_SHARED_ROOT} abi platform)
pellucid_include_root(${PELLUCID_PLUGIN_ROOT} plugin widgets slots)
pellucid_include_root(${PELLUCID_HOST_ROOT} host)

# The plug-in's code, compiled once: the plug-in file is made from these objects, and the
# unit tests link them directly. Symbols are hidden; only the exports are marked.
add_library(pellucid_core OBJECT)
target_include_directories(pellucid_core PUBLIC ${PELLUCID_PLUGIN_ROOT} ${PROJECT_BINARY_DIR}/generated)
set_target_properties(pellucid_core PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Unique global symbols (a GCC extension; clang makes none) would make the plug-in file
  # impossible to unload.
  target_compile_options(pellucid_core PUBLIC -fno-gnu-unique)
endif()

configure_file(${PROJECT_SOURCE_DIR}/slots/version.h.in ${PROJECT_BINARY_DIR}/generated/slots/version.h @ONLY)

# A header-only library from Debian for `target` (`scope` PUBLIC or PRIVATE): its CMake
# package `package` and imported target `imported` on Linux. Debian installs its headers
# under /usr/include, which a cross build must not search whole: for Windows a folder of
# the build tree holds a link to just the library's folder `folder`.
function(pellucid_header_library target scope folder package imported)
  if(WIN32)
    set(include ${CMAKE_BINARY_DIR}/third_party/include)
    if(NOT IS_DIRECTORY /usr/include/${folder})
      message(FATAL_ERROR "/usr/include/${folder} is missing: run tools/setup.sh all")
    endif()
    file(MAKE_DIRECTORY ${include})
    file(CREATE_LINK /usr/include/${folder} ${include}/${folder} SYMBOLIC)
    target_include_directories(${target} SYSTEM ${scope} ${include})
  else()
    find_package(${package} REQUIRED)
    target_link_libraries(${target} ${scope} ${imported})
  endif()
endfunction()

# Under Wine the tests of the calling folder share one Wine server, started on a booted
# prefix by a first test and stopped by a last one (a CTest fixture): programs started at
# once on a prefix not yet booted race in Wine's start-up. Call it after the folder's tests.
function(pellucid_share_wine_server)
  if(NOT CMAKE_CROSSCOMPILING)
    return()
  endif()
  get_property(tests DIRECTORY PROPERTY TESTS)
  set(wine_run ${PROJECT_SOURCE_DIR}/tools/wine-run)
  add_test(NAME wine_server_start COMMAND ${wine_run} --start ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  add_test(NAME wine_server_stop COMMAND ${wine_run} --stop ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine_server)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine_server)
  set_property(TEST ${tests} APPEND PROPERTY FIXTURES_REQUIRED wine_server)
endfunction()
