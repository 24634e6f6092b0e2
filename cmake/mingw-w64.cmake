# Cross toolchain: Debian's mingw-w64 (posix threads), static runtime. Included by the file of one
# target processor, which sets _processor (CMAKE_SYSTEM_PROCESSOR) and _triplet.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${_processor})
set(CMAKE_C_COMPILER   ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER  ${_triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
find_program(WINE64_LOADER NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
# The loader that runs the build's programs: the 32-bit one for i686 (it needs the i386 Wine
# packages, and on machines that cannot run 32-bit code the emulation of scripts/emulate-x86.sh).
if(_processor STREQUAL "i686")
  find_program(WINE_PROGRAM_LOADER NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
else()
  set(WINE_PROGRAM_LOADER ${WINE64_LOADER})
endif()
find_program(WINESERVER_BIN NAMES wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
# Wine's own setup file: a Wine newer than a prefix (cmake/wine-run.sh.in) is one whose wine.inf is newer.
find_file(WINE_INF wine.inf PATHS /usr/share/wine /usr/local/share/wine NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
