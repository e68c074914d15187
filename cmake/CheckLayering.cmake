# Checks that the plug-in and the stand-in host meet only through abi/ and platform/: no
# file under host/ includes a header of plugin/, widgets/ or slots/, and no file of those
# includes one of host/. The build's include roots enforce the same; this check also
# catches an include written relative to the file ("../plugin/x.h").
#   cmake -DROOT=source-folder -P CheckLayering.cmake
if(NOT ROOT)
  message(FATAL_ERROR "CheckLayering.cmake needs -DROOT=the source folder")
endif()

set(plugin_side plugin widgets slots)
set(host_side host)

# Every quoted include of the files of `folders` that reaches into `forbidden`, as
# "file:line: include" entries.
function(find_crossings out folders forbidden)
  set(found "")
  list(JOIN forbidden "|" alternatives)
  foreach(folder IN LISTS folders)
    file(GLOB_RECURSE files RELATIVE ${ROOT} ${ROOT}/${folder}/*.h ${ROOT}/${folder}/*.cpp)
    foreach(file IN LISTS files)
      file(STRINGS ${ROOT}/${file} lines REGEX "^[ \t]*#[ \t]*include")
      foreach(line IN LISTS lines)
        if(line MATCHES "#[ \t]*include[ \t]*[\"<]([./]*/)?(${alternatives})/")
          list(APPEND found "${file}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

find_crossings(host_crossings "${host_side}" "${plugin_side}")
find_crossings(plugin_crossings "${plugin_side}" "${host_side}")
set(crossings ${host_crossings} ${plugin_crossings})
if(crossings)
  list(JOIN crossings "\n  " text)
  message(FATAL_ERROR "the plug-in and the stand-in host may share only abi/ and platform/:\n  ${text}")
endif()
