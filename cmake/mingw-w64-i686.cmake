# The 32-bit (x86) executables: they run on 32-bit and 64-bit Windows alike.
set(_processor i686)
set(_triplet i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
