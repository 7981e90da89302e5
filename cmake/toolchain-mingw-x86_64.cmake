# The 64-bit variant: the same sources as x86_64 Windows programs (PE32+).
set(WEBSHELL_ARCH x86_64)
set(WEBSHELL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
