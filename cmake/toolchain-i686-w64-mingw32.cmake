set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

# The product takes the win32 thread model, since winpthreads imports Vista's
# functions; the tests take posix, as GoogleTest wants std::mutex.
set(VARNHOLT_MINGW_THREADS win32 CACHE STRING "mingw-w64 thread model: win32 or posix")
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${VARNHOLT_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${VARNHOLT_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/machinery/wine-run.sh --32)
