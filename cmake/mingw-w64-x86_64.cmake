# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64)
# and runs the results under Wine (wine64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix threads variant, whose standard library has std::thread and std::mutex.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static programs need no MinGW DLLs beside them, under Wine or on Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Programs and tests run under Wine, in a Wine prefix of the build's own
# unless WINEPREFIX names one, and without Wine's debug chatter.
if(DEFINED ENV{WINEPREFIX})
  set(TAVRO_WINEPREFIX "$ENV{WINEPREFIX}")
else()
  set(TAVRO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env "WINEPREFIX=${TAVRO_WINEPREFIX}" WINEDEBUG=-all /usr/lib/wine/wine64)
