# Cross build for 64-bit Windows hosts (cmake --preset win64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORA_MINGW x86_64-w64-mingw32)
# The 64-bit loader itself: Debian's wine wrapper would pick the 32-bit one,
# which cannot start on kernels that run no 32-bit programs.
set(VELMORA_WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
