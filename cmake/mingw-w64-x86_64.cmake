# Cross build for 64-bit Windows from Debian with mingw-w64 (posix threads, for std::thread and
# std::mutex). Used by `make windows`: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MARBLESET_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MARBLESET_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MARBLESET_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MARBLESET_MINGW_PREFIX}-windres)

# Libraries and headers only from the MinGW tree; programs (groff, zip) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${MARBLESET_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC 12 warns falsely inside libstdc++'s std::string at -O2 (GCC bug 105651).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# The programs carry their runtime (libstdc++, libgcc, winpthread), so marbleset-cli.exe runs
# on its own, without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and discovery run the Windows programs under wine.
find_program(MARBLESET_WINE NAMES wine wine64)
if(MARBLESET_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MARBLESET_WINE})
endif()
