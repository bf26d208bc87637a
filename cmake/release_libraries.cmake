# The libraries of a release build as the imported targets the normal build gets from
# pkg-config: PkgConfig::SDL2, PkgConfig::SDL2_MIXER, PkgConfig::TURBOJPEG, PkgConfig::PNG.
# Each is the static archive of the third-party build in CMAKE_PREFIX_PATH; only the C and
# C++ runtimes and the system's own libraries stay dynamic (on Windows, only the system's
# DLLs).

function(findArchive variable name)
  find_library(${variable} NAMES lib${name}.a NAMES_PER_DIR REQUIRED
    PATHS ${CMAKE_PREFIX_PATH} PATH_SUFFIXES lib lib64)
endfunction()

function(addArchiveTarget target archive)
  add_library(${target} INTERFACE IMPORTED)
  target_link_libraries(${target} INTERFACE ${archive} ${ARGN})
  target_include_directories(${target} INTERFACE ${thirdpartyInclude})
endfunction()

find_path(thirdpartyInclude SDL2/SDL.h REQUIRED PATHS ${CMAKE_PREFIX_PATH} PATH_SUFFIXES include)

# SDL2's own list of what a static SDL2 needs (its Libs.private), from its pkg-config file.
pkg_check_modules(SDL2_RELEASE REQUIRED sdl2)
set(sdlSystemLibraries ${SDL2_RELEASE_STATIC_LDFLAGS})
list(FILTER sdlSystemLibraries EXCLUDE REGEX "^-L|^-lSDL2$|^-lSDL2main$|^-lmingw32$")

findArchive(SDL2_ARCHIVE SDL2)
findArchive(SDL2_MIXER_ARCHIVE SDL2_mixer)
findArchive(TURBOJPEG_ARCHIVE turbojpeg)

addArchiveTarget(PkgConfig::SDL2 ${SDL2_ARCHIVE} ${sdlSystemLibraries})
target_include_directories(PkgConfig::SDL2 INTERFACE ${thirdpartyInclude}/SDL2)
addArchiveTarget(PkgConfig::SDL2_MIXER ${SDL2_MIXER_ARCHIVE} PkgConfig::SDL2)
addArchiveTarget(PkgConfig::TURBOJPEG ${TURBOJPEG_ARCHIVE})

if(WIN32)
  findArchive(PNG_ARCHIVE png16)
  findArchive(ZLIB_ARCHIVE z)
  addArchiveTarget(PkgConfig::PNG ${PNG_ARCHIVE} ${ZLIB_ARCHIVE})
  # Only Windows' own DLLs: the C++ runtime, libgcc and the thread library go in statically.
  add_link_options(-static -static-libgcc -static-libstdc++)
else()
  pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
  add_link_options(-static-libgcc -static-libstdc++)
endif()
# Stripped; unused sections dropped, which also keeps out parts of the static C++ library
# that would ask for a newer C library than the programs need (random_device's arc4random).
add_link_options(-s -Wl,--gc-sections)
