# The browser build (emcmake cmake -DTHIRDPARTY_PREFIX=...): the windowed show compiled to
# WebAssembly with the same sources and SDL's console seam, linked against SDL2 (without its
# audio) and libjpeg-turbo built by scripts/thirdparty; the music is the page's own player
# (app/music_web.cpp, web/audio.js). Writes site/ with the page, the .js and the .wasm beside
# them (the Makefile's `web` target writes the soundtrack's pieces there).
if(NOT THIRDPARTY_PREFIX)
  message(FATAL_ERROR "THIRDPARTY_PREFIX must name the folder scripts/thirdparty wasm printed")
endif()

include(cmake/show_sources.cmake)
set(WEB_CORE_SOURCES ${SHOW_SOURCES})
list(FILTER WEB_CORE_SOURCES EXCLUDE REGEX "/app/(main|console_headless|music_sim|music_sdl)\\.cpp$")

# Emscripten's own SDL ports would be downloaded, so the libraries are named by file.
add_executable(zura5inv web/web_main.cpp ${WEB_CORE_SOURCES} ${SHOW_RESOURCES_SOURCE})
target_include_directories(zura5inv PRIVATE ${CMAKE_SOURCE_DIR}
  ${THIRDPARTY_PREFIX}/include ${THIRDPARTY_PREFIX}/include/SDL2)
target_compile_definitions(zura5inv PRIVATE INVITE_FULLSCREEN=0)
# The level that gave the quickest frame pass in Chromium within the 2 MB the program may take
# (the table in docs/web.md; to measure another, `cmake -B build-web -DWEB_OPTIMIZATION=-O3`
# and `make web`).
set(WEB_OPTIMIZATION -O2 CACHE STRING "optimisation level of the browser build")
target_compile_options(zura5inv PRIVATE ${WEB_OPTIMIZATION})
target_link_options(zura5inv PRIVATE ${WEB_OPTIMIZATION})
target_link_libraries(zura5inv PRIVATE
  ${THIRDPARTY_PREFIX}/lib/libSDL2.a
  ${THIRDPARTY_PREFIX}/lib/libturbojpeg.a)
target_link_options(zura5inv PRIVATE
  -sMODULARIZE=1 -sEXPORT_NAME=createInvitation -sENVIRONMENT=web
  -sINVOKE_RUN=0 -sFORCE_FILESYSTEM=1 -sINITIAL_MEMORY=33554432 -sALLOW_MEMORY_GROWTH=1
  "-sEXPORTED_FUNCTIONS=['_main','_webMusicTime','_webTouch','_webStop','_webScreen','_webDaysLeft','_webPassMs']"
  "-sEXPORTED_RUNTIME_METHODS=['FS','callMain']")

# The site's program files, brought up to date on every build: the page's own files change
# without a relink. web/build_site.mjs then writes index.html, the compressed copies and the
# single-file page (the Makefile's `web` target runs it).
set(SITE ${CMAKE_BINARY_DIR}/site)
add_custom_target(site ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SITE}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:zura5inv>
          $<TARGET_FILE_DIR:zura5inv>/zura5inv.wasm
          ${CMAKE_SOURCE_DIR}/web/page.js ${CMAKE_SOURCE_DIR}/web/audio.js ${SITE}
  DEPENDS zura5inv
  VERBATIM)
