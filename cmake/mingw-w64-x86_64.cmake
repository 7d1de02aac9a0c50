# Cross build for Windows with MinGW-w64 (POSIX threads).
#
# Without Qt: the core, korvelo-cli.exe and the core tests, each program linked statically.
# With the Qt 6 toolchain for MinGW unpacked (tools/unpack-qt-mingw.sh) and given as
# -DKORVELO_QT_PREFIX=<prefix>: every program (korvelo.exe, korvelo-cli.exe) and the GUI tests,
# with Qt's DLLs. Debian's host Qt 6.4.2 (qt6-base-dev-tools) gives moc, rcc and uic.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
# Appended, so that a CMAKE_FIND_ROOT_PATH given on the command line (the Qt prefix) is kept.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
if(KORVELO_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KORVELO_QT_PREFIX})
  list(APPEND CMAKE_PREFIX_PATH ${KORVELO_QT_PREFIX})
endif()
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Host Qt for moc, rcc and uic")
endif()
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "Host Qt's CMake files")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Release at -O2, as the Linux packages: the cross compiler (GCC 12) gives false -Wrestrict
# warnings at -O3 where a string literal is prepended to a temporary string.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a release build")
