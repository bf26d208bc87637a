# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model, whose
# C++ runtime links statically). Libraries are looked for in the mingw-w64 system folder and
# in CMAKE_PREFIX_PATH (where the third-party builds install), never in the host's folders.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingwTriple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingwTriple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingwTriple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingwTriple}-windres)
set(CMAKE_AR ${mingwTriple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingwTriple}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_STRIP ${mingwTriple}-strip CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${mingwTriple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the Windows libraries.
set(ENV{PKG_CONFIG_LIBDIR} "/usr/${mingwTriple}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
