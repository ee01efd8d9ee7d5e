# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows on Debian with mingw-w64 (posix threads, so std::thread
# works), every program linked statically: the .exe files need no DLL of ours or of the
# toolchain. The libraries that Debian ships only as sources (ERFA, GoogleTest) are built
# for Windows by tools/build-windows.sh into ORBELUX_WINDOWS_DEPS; zlib comes from
# libz-mingw-w64-dev. Programs run under Wine through tools/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(orbelux_triplete x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${orbelux_triplete}-gcc-posix)
set(CMAKE_CXX_COMPILER ${orbelux_triplete}-g++-posix)
set(CMAKE_RC_COMPILER ${orbelux_triplete}-windres)

if(NOT ORBELUX_WINDOWS_DEPS)
  set(ORBELUX_WINDOWS_DEPS ${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps/prefix)
endif()
get_filename_component(ORBELUX_WINDOWS_DEPS "${ORBELUX_WINDOWS_DEPS}" ABSOLUTE)
set(ORBELUX_WINDOWS_DEPS "${ORBELUX_WINDOWS_DEPS}" CACHE PATH
    "Prefix of the libraries built for Windows by tools/build-windows.sh")

set(CMAKE_FIND_ROOT_PATH /usr/${orbelux_triplete} ${ORBELUX_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: a .dll.a would make the program need the DLL beside it.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_USE_STATIC_LIBS ON)

# pkg-config sees only the Windows libraries, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR} "${ORBELUX_WINDOWS_DEPS}/lib/pkgconfig:/usr/${orbelux_triplete}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Tests, and the generators the build itself runs, start under Wine, in a prefix of this
# build folder of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
