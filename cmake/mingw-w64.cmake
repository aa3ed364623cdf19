# Cross-compiling the 64-bit Windows DLL with Debian's MinGW-w64 (POSIX thread
# model) on a Linux machine:
#   cmake --preset windows   (or -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PROCTEX_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PROCTEX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PROCTEX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PROCTEX_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${PROCTEX_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${PROCTEX_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${PROCTEX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime of the compiler (libgcc, libstdc++, winpthread) goes into each
# binary, so the DLL and the test programs need nothing but system DLLs.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
