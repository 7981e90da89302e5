# Shared part of the two cross toolchains: Windows programs built with MinGW-w64 (posix thread
# model) and run through Wine. The including file sets WEBSHELL_MINGW_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${WEBSHELL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WEBSHELL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${WEBSHELL_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${WEBSHELL_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${WEBSHELL_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Windows 7 and later; without this MinGW targets Windows 10 APIs and the programs
# import functions that older systems lack.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
# Fully static runtime: no program or library may need a MinGW DLL (libwinpthread included).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${WEBSHELL_MINGW_TRIPLE})
if(DEFINED ENV{WEBSHELL_DEPS_PREFIX})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{WEBSHELL_DEPS_PREFIX})
endif()
if(WEBSHELL_DEPS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${WEBSHELL_DEPS_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine, in the prefix of their own architecture.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-run --arch=${WEBSHELL_ARCH})
