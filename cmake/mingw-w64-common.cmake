# The part of the MinGW-w64 toolchain files that both share: the including
# file sets CMAKE_SYSTEM_PROCESSOR and QUERNEL_MINGW_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_CXX_COMPILER ${QUERNEL_MINGW_PREFIX}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${QUERNEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libgcc, libstdc++ or winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
