# Compiles every file of the resource list into the program as byte arrays of a generated
# C++ source, so the same step serves every compiler and target. Each line of the list is
# "NAME relative/path"; blank lines and lines starting with # are skipped.
#
# Included by the project, embed_resources() adds the build step; the step runs this file in
# script mode: cmake -DLIST_FILE=... -DOUTPUT_FILE=... -P embed_resources.cmake

# The names and full paths of the list, in list order, as two lists.
function(read_resource_list list_file out_names out_paths)
  file(STRINGS "${list_file}" lines)
  get_filename_component(list_dir "${list_file}" DIRECTORY)
  set(names "")
  set(paths "")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    separate_arguments(fields UNIX_COMMAND "${line}")
    list(LENGTH fields field_count)
    if(NOT field_count EQUAL 2)
      message(FATAL_ERROR "${list_file}: line \"${line}\" is not NAME path")
    endif()
    list(GET fields 0 name)
    list(GET fields 1 rel)
    set(path "${list_dir}/${rel}")
    if(NOT EXISTS "${path}")
      message(FATAL_ERROR "resource ${name}: ${path} does not exist")
    endif()
    list(APPEND names "${name}")
    list(APPEND paths "${path}")
  endforeach()
  set(${out_names} "${names}" PARENT_SCOPE)
  set(${out_paths} "${paths}" PARENT_SCOPE)
endfunction()

function(write_embedded_source list_file output_file)
  read_resource_list("${list_file}" names paths)
  set(arrays "")
  set(entries "")
  set(index 0)
  foreach(name path IN ZIP_LISTS names paths)
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" hex_length)
    math(EXPR size "${hex_length} / 2")
    # 32 bytes a line.
    string(REGEX REPLACE "(................................................................)" "\\1\n" bytes "${hex}")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    if(size EQUAL 0)
      set(bytes "0")
    endif()
    string(APPEND arrays "// ${name}: ${size} bytes\nalignas(16) const std::uint8_t Resource${index}[] = {\n${bytes}\n};\n\n")
    string(APPEND entries "    {\"${name}\", Resource${index}, Resource${index} + ${size}},\n")
    math(EXPR index "${index} + 1")
  endforeach()
  file(WRITE "${output_file}.tmp" "// Generated from resources/resources.list; do not edit.\n#include <cstddef>\n#include <cstdint>\n\n#include \"assets/resources.h\"\n\nnamespace {\n\n${arrays}}  // namespace\n\nconst EmbeddedResource EmbeddedResources[] = {\n${entries}    {\"\", nullptr, nullptr},\n};\nconst std::size_t EmbeddedResourceCount = ${index};\n")
  file(RENAME "${output_file}.tmp" "${output_file}")
endfunction()

# Adds the build step that writes output_file; out_dependencies receives the embedded files.
function(embed_resources list_file output_file out_dependencies)
  read_resource_list("${list_file}" names paths)
  add_custom_command(OUTPUT "${output_file}"
    COMMAND ${CMAKE_COMMAND} -DLIST_FILE=${list_file} -DOUTPUT_FILE=${output_file}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    DEPENDS "${list_file}" ${paths} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Embedding the resources"
    VERBATIM)
  set(${out_dependencies} "${paths}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  write_embedded_source("${LIST_FILE}" "${OUTPUT_FILE}")
endif()
