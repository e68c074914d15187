# Makes dist/NAME.zip from the built plug-in file; run by the target pellucid_package.
#   cmake -DPLUGIN=pellucid.dll -DVERSION=1.2.0 -DNAME=pellucid-1.2.0-win64 -DSOURCE=repo
#         -DDIST=repo/dist -DWORK=folder -DSTRIP=.. -DOBJCOPY=.. -DOBJDUMP=.. -DWINDRES=..
#         -P package.cmake
# The file that ships is the Windows build's, the one `make test` tests, stripped: its
# debug information goes into dist/NAME.dll.debug, which the shipped file names in its
# debug link (with a checksum), so a debugger beside it, or addr2line on it, turns a crash
# address into code.
cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# The changelog speaks of the version being packaged.
file(STRINGS ${SOURCE}/CHANGELOG.md first_heading REGEX "^## " LIMIT_COUNT 1)
if(NOT first_heading MATCHES "^## ${VERSION}( |$)")
  message(FATAL_ERROR "CHANGELOG.md's latest entry is \"${first_heading}\", not version ${VERSION}")
endif()

set(zip ${DIST}/${NAME}.zip)
set(debug ${DIST}/${NAME}.dll.debug)
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK} ${DIST})
file(REMOVE ${zip} ${debug})

run(${OBJCOPY} --only-keep-debug ${PLUGIN} ${debug})
run(${STRIP} --strip-all -o ${WORK}/pellucid.dll ${PLUGIN})
run(${OBJCOPY} --add-gnu-debuglink=${debug} ${WORK}/pellucid.dll)

file(SIZE ${WORK}/pellucid.dll dll_size)
if(dll_size GREATER_EQUAL 1048576)
  message(FATAL_ERROR "the stripped pellucid.dll is ${dll_size} bytes, not under 1 MiB")
endif()
# What the host sees of the shipped file is what the tests saw of the built one.
run(${CMAKE_COMMAND} -DPLUGIN=${WORK}/pellucid.dll -DTOOL=${OBJDUMP}
    -P ${SOURCE}/cmake/CheckExports.cmake)
run(${CMAKE_COMMAND} -DPLUGIN=${WORK}/pellucid.dll -DTOOL=${WINDRES} -DVERSION=${VERSION}
    -P ${SOURCE}/cmake/CheckVersionResource.cmake)

file(COPY ${SOURCE}/packaging/INSTALL.md ${SOURCE}/LICENSE ${SOURCE}/CHANGELOG.md DESTINATION ${WORK})
set(files pellucid.dll INSTALL.md LICENSE CHANGELOG.md)
execute_process(COMMAND sha256sum ${files} WORKING_DIRECTORY ${WORK}
                OUTPUT_FILE ${WORK}/SHA256SUMS COMMAND_ERROR_IS_FATAL ANY)
run(sha256sum --check --quiet SHA256SUMS)

# -X: no owners or extra times in the archive; -D: no folder entries.
run(zip -q -X -D ${zip} ${files} SHA256SUMS)

execute_process(COMMAND sha256sum ${files} SHA256SUMS WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE sums COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[^\n]+" sums "${sums}")
set(listing "")
foreach(line IN LISTS sums)
  string(REGEX REPLACE "^[0-9a-f]+  " "" file_name "${line}")
  file(SIZE ${WORK}/${file_name} size)
  string(LENGTH "${size}" digits)
  math(EXPR pad "9 - ${digits}")
  string(REPEAT " " ${pad} spaces)
  string(APPEND listing "  ${spaces}${size}  ${line}\n")
endforeach()
file(SIZE ${zip} zip_size)
file(SIZE ${debug} debug_size)
file(SHA256 ${zip} zip_sum)
file(SHA256 ${debug} debug_sum)
message(STATUS "dist/${NAME}.zip (${zip_size} bytes, sha256 ${zip_sum}) holds:\n${listing}"
               "beside it dist/${NAME}.dll.debug (${debug_size} bytes, sha256 ${debug_sum})")
