# Cross-compiles the Windows program with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
# The win32 thread model needs no winpthread DLL, and -static folds libgcc and libstdc++ into
# the .exe, so it runs on a bare Windows with only system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KUERUMA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KUERUMA_MINGW_PREFIX}-gcc-win32)
set(CMAKE_CXX_COMPILER ${KUERUMA_MINGW_PREFIX}-g++-win32)
set(CMAKE_RC_COMPILER ${KUERUMA_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${KUERUMA_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${KUERUMA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
