# The shipped build: 32-bit Windows programs (PE32, x86).
set(WEBSHELL_ARCH i686)
set(WEBSHELL_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
