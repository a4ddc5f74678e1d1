# Cross build for 32-bit Windows hosts (cmake --preset win32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORA_MINGW i686-w64-mingw32)
# Debian's wine starts the 32-bit loader when it is there.
set(VELMORA_WINE wine)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
