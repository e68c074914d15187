# Runs pellucid-host validate once or twice in a folder and checks what it answered.
#
#   cmake -DHOST=<runner>|...|<program> -DWORKDIR=<folder> [-DRUNDIR=<folder>]
#         -DARGS=<arg>|<arg>... -DRC=<exit code>
#         [-DEXPECT=<regex>|<regex>...]     lines the report must have
#         [-DJUNIT=<file>]                   the JUnit file ARGS writes: read back with xmllint,
#                                            its counts must be those of the closing line
#         [-DSAME_AS=<arg>|<arg>...]         a second run whose checks must end exactly as
#                                            the first's (id, outcome and rule, from --json)
#         -P run_validate.cmake
#
# validate runs in RUNDIR (WORKDIR by default, which is made afresh); "@WORK@" in the
# arguments is WORKDIR, where the reports are written and JUNIT is looked for.
foreach(required HOST WORKDIR ARGS RC)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "run_validate.cmake needs -D${required}=...")
  endif()
endforeach()
string(REPLACE "|" ";" host "${HOST}")
file(REMOVE_RECURSE "${WORKDIR}")
file(MAKE_DIRECTORY "${WORKDIR}")
if(NOT DEFINED RUNDIR)
  set(RUNDIR "${WORKDIR}")
endif()

function(run_validate arguments out_var)
  string(REPLACE "@WORK@" "${WORKDIR}" arguments "${arguments}")
  string(REPLACE "|" ";" args "${arguments}")
  execute_process(COMMAND ${host} validate ${args} WORKING_DIRECTORY "${RUNDIR}"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(WRITE "${WORKDIR}/${out_var}.out" "${out}")
  if(NOT "${rc}" STREQUAL "${RC}")
    message(FATAL_ERROR "validate ${args} exited ${rc}, not ${RC}:\n${out}${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

run_validate("${ARGS}" first)
if(RC EQUAL 2)
  return()  # a usage error: said before any check ran
endif()
if(NOT first MATCHES "([0-9]+) passed, ([0-9]+) failed, ([0-9]+) skipped, ([0-9]+) warnings?, ([0-9]+) crashed, ([0-9]+) timed out\n$")
  message(FATAL_ERROR "no closing line at the end of the report:\n${first}")
endif()
set(passed ${CMAKE_MATCH_1})
set(failed ${CMAKE_MATCH_2})
set(skipped ${CMAKE_MATCH_3})
set(warnings ${CMAKE_MATCH_4})
set(crashed ${CMAKE_MATCH_5})
set(timed_out ${CMAKE_MATCH_6})

if(DEFINED EXPECT)
  string(REPLACE "|" ";" expectations "${EXPECT}")
  foreach(expected IN LISTS expectations)
    if(NOT first MATCHES "${expected}")
      message(FATAL_ERROR "the report has no line matching \"${expected}\":\n${first}")
    endif()
  endforeach()
endif()

if(DEFINED JUNIT)
  find_program(xmllint xmllint REQUIRED)
  function(junit_count xpath expected)
    execute_process(COMMAND ${xmllint} --xpath "${xpath}" "${WORKDIR}/${JUNIT}"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE count ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "xmllint cannot read ${JUNIT} (${xpath}): ${err}")
    endif()
    string(STRIP "${count}" count)
    if(NOT count EQUAL expected)
      message(FATAL_ERROR "${JUNIT}: ${xpath} is ${count}, the closing line says ${expected}")
    endif()
  endfunction()
  math(EXPR total "${passed} + ${failed} + ${skipped} + ${warnings} + ${crashed} + ${timed_out}")
  math(EXPR errors "${crashed} + ${timed_out}")
  # A warning is a failure to the CI server when the run counts it as one.
  if(ARGS MATCHES "--warnings-fail")
    math(EXPR failed "${failed} + ${warnings}")
  endif()
  junit_count("count(/testsuites/testsuite)" 1)
  junit_count("count(//testcase)" ${total})
  junit_count("count(//testcase/failure)" ${failed})
  junit_count("count(//testcase/properties/property[@name='warning'])" ${warnings})
  junit_count("count(//testcase/error)" ${errors})
  junit_count("count(//testcase/skipped)" ${skipped})
  junit_count("number(/testsuites/testsuite/@tests)" ${total})
  junit_count("number(/testsuites/testsuite/@failures)" ${failed})
  junit_count("number(/testsuites/testsuite/@errors)" ${errors})
  junit_count("number(/testsuites/testsuite/@skipped)" ${skipped})
  junit_count("count(/testsuites/testsuite/properties/property[@name='strictness' or @name='seed' or @name='file'])" 3)
  # Every test case is named by a check id and classed by its group.
  junit_count("count(//testcase[not(starts-with(@name, concat(@classname, '.')))])" 0)
endif()

if(DEFINED SAME_AS)
  run_validate("${SAME_AS}" second)
  # One line per check, "id outcome rule seen", from each run's JSON report; what a check
  # that passed measured (its notes) may differ from run to run.
  function(verdicts json out_var)
    file(READ "${WORKDIR}/${json}" text)
    string(JSON count LENGTH "${text}" checks)
    set(lines "")
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      string(JSON id GET "${text}" checks ${i} id)
      string(JSON outcome GET "${text}" checks ${i} outcome)
      string(JSON rule ERROR_VARIABLE no_rule GET "${text}" checks ${i} rule)
      string(JSON seen ERROR_VARIABLE no_seen GET "${text}" checks ${i} seen)
      if(no_rule)
        set(rule "")
      endif()
      if(no_seen)
        set(seen "")
      endif()
      string(APPEND lines "${id} ${outcome} ${rule} ${seen}\n")
    endforeach()
    set(${out_var} "${lines}" PARENT_SCOPE)
  endfunction()
  verdicts(first.json first_verdicts)
  verdicts(second.json second_verdicts)
  if(NOT first_verdicts STREQUAL second_verdicts)
    message(FATAL_ERROR "the two runs differ:\n${first_verdicts}---\n${second_verdicts}")
  endif()
endif()
