# Cross-compiles for Windows x86-64 with Debian's MinGW-w64 (POSIX threads)
# and runs the built programs (module-info tool, tests) through Wine.
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake ...
# SPDX-License-Identifier: GPL-3.0-or-later
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tolvane_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_tolvane_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tolvane_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_tolvane_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_tolvane_mingw})

# TOLVANE_TARGET_PREFIX: where scripts/windows/build-deps.sh put libsndfile and its codecs.
set(TOLVANE_TARGET_PREFIX "" CACHE PATH "Prefix of the Windows libraries built for this target")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TOLVANE_TARGET_PREFIX)
if(TOLVANE_TARGET_PREFIX)
    list(APPEND CMAKE_FIND_ROOT_PATH "${TOLVANE_TARGET_PREFIX}")
endif()
# pkg-config sees the target's libraries only (never the build machine's
# libsndfile or JACK), with what a static link needs.
set(ENV{PKG_CONFIG_LIBDIR} "${TOLVANE_TARGET_PREFIX}/lib/pkgconfig:/usr/${_tolvane_mingw}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

# Libraries and headers only from the target's folders (and the prefix the
# build script fills with libsndfile and its codecs); programs from the host.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained binaries: the C++ runtime, libgcc and winpthreads linked in,
# so a user's machine needs only Windows' own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Built programs run under Wine in a prefix of their own in the build tree,
# without the Mono and Gecko installers Wine would otherwise offer on first start.
find_program(_tolvane_wine NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(_tolvane_wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR env "WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix"
        "WINEDLLOVERRIDES=mscoree,mshtml=" WINEDEBUG=-all ${_tolvane_wine})
endif()
