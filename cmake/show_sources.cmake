# The show's own sources and its embedded files, shared by the native and the browser builds.
# Sets SHOW_SOURCES to every source of assets/, render/, scenes/ and app/ (each build takes out
# the app/ files it does not use) and SHOW_RESOURCES_SOURCE to the generated source that holds
# the embedded files.
include(${CMAKE_SOURCE_DIR}/cmake/embed_resources.cmake)
set(RESOURCE_LIST ${CMAKE_SOURCE_DIR}/resources/resources.list)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${RESOURCE_LIST})
set(SHOW_RESOURCES_SOURCE ${CMAKE_BINARY_DIR}/generated/embedded_resources.cpp)
embed_resources(${RESOURCE_LIST} ${SHOW_RESOURCES_SOURCE} RESOURCE_FILES)

file(GLOB SHOW_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/assets/*.cpp ${CMAKE_SOURCE_DIR}/render/*.cpp
  ${CMAKE_SOURCE_DIR}/scenes/*.cpp ${CMAKE_SOURCE_DIR}/app/*.cpp)
