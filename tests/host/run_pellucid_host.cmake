# Runs pellucid-host in a fresh working folder, one or more times in a row, and checks each
# run's exit code, standard output and standard error against expected files.
#
#   cmake -DHOST=<program> [-DLAUNCHER=<runner>] -DWORKDIR=<folder> [-DCOPY=<file>|<file>...]
#         -DARGS1=<arg>|<arg>... [-DOUT1=<file>] [-DERR1=<file>] [-DRC1=<code>]
#         [-DARGS2=... and so on up to 9] -P run_pellucid_host.cmake
#
# LAUNCHER runs the program, as tools/wine-run runs the Windows build's.
# Arguments are separated by "|". A run without OUTn (ERRn) must print nothing on standard
# output (error); RCn defaults to 0. What a run printed is left in the working folder as
# run<n>.out and run<n>.err, to diff against the expected files.
foreach(required HOST WORKDIR ARGS1)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "run_pellucid_host.cmake needs -D${required}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
if(DEFINED COPY)
  string(REPLACE "|" ";" copies "${COPY}")
  file(COPY ${copies} DESTINATION "${WORKDIR}")
endif()

set(failed FALSE)
function(expect_text run stream actual expected_file)
  set(expected "")
  if(expected_file)
    file(READ "${expected_file}" expected)
  endif()
  file(WRITE "${WORKDIR}/run${run}.${stream}" "${actual}")
  if(NOT "${actual}" STREQUAL "${expected}")
    if(expected_file)
      set(against "${expected_file}")
    else()
      set(against "nothing")
    endif()
    message(SEND_ERROR "run ${run}: standard ${stream} differs from ${against}; it is in ${WORKDIR}/run${run}.${stream}")
    set(failed TRUE PARENT_SCOPE)
  endif()
endfunction()

foreach(run RANGE 1 9)
  if(NOT DEFINED ARGS${run})
    break()
  endif()
  string(REPLACE "|" ";" args "${ARGS${run}}")
  set(expected_rc 0)
  if(DEFINED RC${run})
    set(expected_rc "${RC${run}}")
  endif()
  execute_process(COMMAND ${LAUNCHER} "${HOST}" ${args}
                  WORKING_DIRECTORY "${WORKDIR}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r\n" "\n" out "${out}")
  string(REPLACE "\r\n" "\n" err "${err}")
  if(NOT "${rc}" STREQUAL "${expected_rc}")
    message(SEND_ERROR "run ${run} (${ARGS${run}}): exit code ${rc}, expected ${expected_rc}")
    set(failed TRUE)
  endif()
  expect_text(${run} out "${out}" "${OUT${run}}")
  expect_text(${run} err "${err}" "${ERR${run}}")
endforeach()

if(failed)
  message(FATAL_ERROR "pellucid-host did not run as expected")
endif()
