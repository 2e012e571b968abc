# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (GCC, posix
# threads), tests run under wine. The libraries come from scripts/windows-deps,
# whose prefix is VORN_WINDOWS_DEPS (default build/windows-deps of this tree).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(vorn_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${vorn_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${vorn_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${vorn_mingw}-windres)

if(NOT VORN_WINDOWS_DEPS)
  get_filename_component(VORN_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps" ABSOLUTE)
endif()
set(VORN_WINDOWS_DEPS "${VORN_WINDOWS_DEPS}" CACHE PATH "Prefix of the Windows build's libraries (scripts/windows-deps)")

set(CMAKE_FIND_ROOT_PATH /usr/${vorn_mingw} ${VORN_WINDOWS_DEPS})
set(CMAKE_PREFIX_PATH ${VORN_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads only the prefix's descriptions, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${VORN_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Every program carries its libraries and the C and C++ runtimes: it needs
# only the DLLs Windows itself ships.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under wine, in a prefix of the build folder's own whose
# server scripts/wine-session starts before ctest.
find_program(VORN_WINE wine)
if(VORN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix WINEDEBUG=-all ${VORN_WINE})
endif()
