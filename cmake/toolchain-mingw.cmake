# What both Windows cross builds share (Debian's MinGW-w64, POSIX-threads
# variant, so that std::thread is there for the parallel pixel loop).
# Included by toolchain-mingw32.cmake and toolchain-mingw64.cmake after they
# name the target (VELMORA_MINGW) and the Wine that runs its programs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELMORA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW}-windres)
set(CMAKE_AR ${VELMORA_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELMORA_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE})

# double and float in SSE2 registers: the fast paths' proven error margins hold
# exactly as on x86-64 (the x87 unit's excess precision would break them on
# 32-bit); long double stays the x87's 80-bit type on both.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The C and C++ run-times and the threads library linked in: the DLL and the
# test host need nothing but the system's own DLLs.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
