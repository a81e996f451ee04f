# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix).
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DSND_TESTS=OFF
# The programs link statically (see CMakeLists.txt), so they need no MinGW
# runtime DLLs beside them on a bare Windows system.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SND_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SND_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SND_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SND_MINGW_PREFIX}-windres)
set(CMAKE_AR ${SND_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${SND_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${SND_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
