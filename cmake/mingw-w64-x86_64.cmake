# The 64-bit (x86-64) executables.
set(_processor x86_64)
set(_triplet x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
