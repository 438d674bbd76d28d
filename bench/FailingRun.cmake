# cmake [-DSAYS=<regex>] -DSCRATCH=<folder> -P FailingRun.cmake <program> [arguments...]
# A run of a benchmark program that must fail, and fail well: the program ends by itself with another
# status than 0 (not by a signal, not by the time-out), its output matches SAYS when it is given, and
# it leaves nothing in its temporary folder (TMPDIR), SCRATCH, made empty for it.
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(CMAKE_ARGV${i} STREQUAL "-P")
    math(EXPR first "${i} + 2")
    break()
  endif()
endforeach()
set(command)
foreach(i RANGE ${first} ${last})
  list(APPEND command "${CMAKE_ARGV${i}}")
endforeach()

file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(ENV{TMPDIR} "${SCRATCH}")
# Within the test's own time-out, so that the program is ended here rather than left behind.
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 50)
message("${output}")
if(NOT status MATCHES "^[0-9]+$" OR status EQUAL 0)
  message(FATAL_ERROR "it ended with \"${status}\" instead of a status other than 0")
endif()
if(DEFINED SAYS AND NOT output MATCHES "${SAYS}")
  message(FATAL_ERROR "its output does not say \"${SAYS}\"")
endif()
file(GLOB left LIST_DIRECTORIES true "${SCRATCH}/*")
file(REMOVE_RECURSE "${SCRATCH}")
if(left)
  message(FATAL_ERROR "it left in its temporary folder: ${left}")
endif()
