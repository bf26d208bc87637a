# The reference party the test programs run on: a pinned content file kept with the tests
# (tests/reference/party.toml), made into a resources folder of its own under the build folder
# at build time, and the show built once more with those files embedded. So the recorded
# frames, the day-count tables and the page tests hold whatever the organisers put in
# content/party.toml.
#
# Sets REFERENCE_RESOURCES (the folder) and defines invite_core_reference,
# invite_headless_reference and invite_render_reference.
set(REFERENCE_DIR ${CMAKE_BINARY_DIR}/reference)
set(REFERENCE_RESOURCES ${REFERENCE_DIR}/resources)
set(REFERENCE_CONTENT ${CMAKE_SOURCE_DIR}/tests/reference/party.toml)
set(REFERENCE_EMBEDDED ${REFERENCE_DIR}/embedded_resources.cpp)
set(REFERENCE_HEADERS ${REFERENCE_RESOURCES}/party_dates.h ${REFERENCE_RESOURCES}/show_timing.h
  ${REFERENCE_RESOURCES}/party_name.h ${REFERENCE_RESOURCES}/party_words.h ${REFERENCE_RESOURCES}/party_files.h)
add_custom_command(OUTPUT ${REFERENCE_EMBEDDED} ${REFERENCE_HEADERS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${REFERENCE_RESOURCES}
  COMMAND $<TARGET_FILE:assetgen> --content ${REFERENCE_CONTENT} --without-soundtrack ${REFERENCE_RESOURCES}
  COMMAND ${CMAKE_COMMAND} -DLIST_FILE=${REFERENCE_RESOURCES}/resources.list -DOUTPUT_FILE=${REFERENCE_EMBEDDED}
          -P ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
  DEPENDS assetgen ${REFERENCE_CONTENT} ${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake
  COMMENT "Making the reference party's resources"
  VERBATIM)

# The reference programs and tests run in the organisers' resources folder and play its
# soundtrack, so they take that folder's file names: its party_files.h, copied into a folder of
# its own, comes before the reference party's.
set(PLAYED_DIR ${CMAKE_BINARY_DIR}/played)
add_custom_command(OUTPUT ${PLAYED_DIR}/resources/party_files.h
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/party_files.h ${PLAYED_DIR}/resources/party_files.h
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/party_files.h
  VERBATIM)

# The reference folder comes next on the include path, so "resources/party_dates.h" and the
# other generated headers are the reference party's.
add_library(invite_core_reference STATIC ${CORE_SOURCES} ${REFERENCE_EMBEDDED} ${REFERENCE_HEADERS}
  ${PLAYED_DIR}/resources/party_files.h)
target_include_directories(invite_core_reference BEFORE PUBLIC ${PLAYED_DIR} ${REFERENCE_DIR})
target_include_directories(invite_core_reference PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(invite_core_reference PUBLIC PkgConfig::TURBOJPEG)

add_library(invite_headless_reference OBJECT ${HEADLESS_SOURCES})
target_link_libraries(invite_headless_reference PUBLIC invite_core_reference PkgConfig::PNG)
target_compile_definitions(invite_headless_reference PUBLIC INVITE_REFERENCE_RESOURCES="${REFERENCE_RESOURCES}")

add_executable(invite_render_reference tools/invite_render.cpp tools/ffmpeg_process.cpp)
target_link_libraries(invite_render_reference PRIVATE invite_headless_reference)
