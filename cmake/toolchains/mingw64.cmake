# Cross-build for 64-bit Windows with Debian's mingw-w64 (the "posix" thread model, which
# std::thread and std::mutex need). The Qt, SQLite and GoogleTest built for Windows live in one
# cache folder outside the tree, made by scripts/windows; CHORELIN_WINDOWS_DEPS names it when it
# lies elsewhere.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

if(DEFINED ENV{CHORELIN_WINDOWS_DEPS})
    set(_deps "$ENV{CHORELIN_WINDOWS_DEPS}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(_deps "$ENV{XDG_CACHE_HOME}/chorelin-windows")
else()
    set(_deps "$ENV{HOME}/.cache/chorelin-windows")
endif()

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${_triple} ${_deps}/qt6-win ${_deps}/sqlite ${_deps}/googletest)
list(APPEND CMAKE_PREFIX_PATH ${_deps}/qt6-win ${_deps}/sqlite ${_deps}/googletest)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Tests run where they were built, through Wine.
find_program(CHORELIN_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(CHORELIN_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CHORELIN_WINE})
endif()
