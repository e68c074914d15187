# Reads the version resource back from a built plug-in file and checks it against the
# project's version, the one place the version lives.
#   cmake -DPLUGIN=pellucid.dll -DTOOL=x86_64-w64-mingw32-windres -DVERSION=1.2.0 -P CheckVersionResource.cmake
# windres decompiles the file's resources into resource script text; the numeric versions
# are four words (major, minor, patch, 0), the text ones the version as written.
execute_process(COMMAND ${TOOL} --input-format=coff --output-format=rc -i ${PLUGIN}
                OUTPUT_VARIABLE script ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${TOOL} could not read the resources of ${PLUGIN}: ${errors}")
endif()
if(NOT script MATCHES "VERSIONINFO")
  message(FATAL_ERROR "${PLUGIN} has no version resource")
endif()
string(REGEX MATCH "[0-9]+ VERSIONINFO.*\nEND" block "${script}")
message(STATUS "the version resource of ${PLUGIN}:\n${block}")

if(NOT VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "the project's version \"${VERSION}\" is not major.minor.patch")
endif()
set(words "${CMAKE_MATCH_1}, ${CMAKE_MATCH_2}, ${CMAKE_MATCH_3}, 0")
set(problems "")
foreach(field FILEVERSION PRODUCTVERSION)
  string(REGEX MATCH "\n[ \t]*${field} ([0-9, ]+)\n" found "${block}")
  if(NOT CMAKE_MATCH_1 STREQUAL words)
    string(APPEND problems "\n  ${field} is \"${CMAKE_MATCH_1}\", not \"${words}\"")
  endif()
endforeach()
foreach(value FileVersion ProductVersion)
  string(REGEX MATCH "VALUE \"${value}\", \"([^\"]*)\"" found "${block}")
  if(NOT found)
    string(APPEND problems "\n  no \"${value}\" text")
  elseif(NOT CMAKE_MATCH_1 STREQUAL VERSION)
    string(APPEND problems "\n  \"${value}\" is \"${CMAKE_MATCH_1}\", not \"${VERSION}\"")
  endif()
endforeach()
if(problems)
  message(FATAL_ERROR "the version resource of ${PLUGIN} does not carry the project's version ${VERSION}:${problems}")
endif()
message(STATUS "${PLUGIN} carries the project's version ${VERSION}")
