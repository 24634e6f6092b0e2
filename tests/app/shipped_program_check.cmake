# The program users get offers no named object to other processes: the name of the start-up marks
# block (app/StartupMarks.h) is absent from CriaBD.exe. The benchmark build of the same program,
# which must carry it, shows that the search finds the name where it is.
#   cmake -DSHIPPED=<CriaBD.exe> -DMARKED=<CriaBD-marks.exe> -P shipped_program_check.cmake
set(name "StartupMarks")
string(HEX "${name}" narrow)
set(wide "")
string(LENGTH "${narrow}" length)
math(EXPR last "${length} - 2")
foreach(at RANGE 0 ${last} 2)
  string(SUBSTRING "${narrow}" ${at} 2 byte)
  string(APPEND wide "${byte}00")  # UTF-16LE of an ASCII name
endforeach()

function(find_name file result)
  file(READ "${file}" content HEX)
  string(FIND "${content}" "${wide}" at_wide)
  string(FIND "${content}" "${narrow}" at_narrow)
  if(at_wide EQUAL -1 AND at_narrow EQUAL -1)
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

find_name("${MARKED}" marked_has_it)
if(NOT marked_has_it)
  message(FATAL_ERROR "the search for \"${name}\" does not find it in the benchmark build ${MARKED}")
endif()
find_name("${SHIPPED}" shipped_has_it)
if(shipped_has_it)
  message(FATAL_ERROR "${SHIPPED} carries the start-up marks block's name \"${name}\": it would offer it to other processes")
endif()
message(STATUS "${SHIPPED}: no \"${name}\"; the benchmark build carries it")
