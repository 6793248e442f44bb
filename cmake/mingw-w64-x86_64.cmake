# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the POSIX threads
# flavour, which std::thread and std::mutex need). Test programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(korvel_mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${korvel_mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${korvel_mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${korvel_mingw_prefix}-windres)

# Headers and libraries of the target (zlib from libz-mingw-w64-dev) come only from the
# mingw tree; programs (the host's tools) only from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${korvel_mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtimes: the programs need no DLL beyond the system's own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

find_program(korvel_wine NAMES wine wine64)
if(korvel_wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${korvel_wine})
endif()
# zlib linked in, like the runtimes.
set(ZLIB_USE_STATIC_LIBS ON)
