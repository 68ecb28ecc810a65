# Files compiled into the program as byte arrays, with a table of name, bytes and length (see
# src/webui/EmbeddedResources.h). Names are paths relative to the resource directory.
#
# Included: vn_embed_resources(target dir file... [NAMED name path...]) adds to `target` a source
# generated at build time from the files, remade whenever one of them changes. A file under NAMED
# lies outside dir (an installed package's file) and is embedded under the name given.
# Run as a script (cmake -DOUT=... -DLIST=<file of name and path pairs> -P ...): writes it.

if(CMAKE_SCRIPT_MODE_FILE)
  file(READ ${LIST} PAIRS)
  set(arrays "")
  set(rows "")
  set(index 0)
  list(LENGTH PAIRS count)
  while(count GREATER 0)
    list(POP_FRONT PAIRS name file)
    math(EXPR count "${count} - 2")
    file(READ ${file} hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR length "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    # Lines of 32 bytes keep the generated file readable for a compiler's error messages.
    string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
    # A zero byte after the data lets a text be used as a C string; the length leaves it out.
    string(APPEND arrays "static const unsigned char resource${index}[] = {\n${bytes}0x00};\n")
    string(APPEND rows "    {\"${name}\", resource${index}, ${length}},\n")
    math(EXPR index "${index} + 1")
  endwhile()
  set(text "// Generated from the files under src/webui/resources by cmake/EmbedResources.cmake.\n")
  string(APPEND text "#include \"webui/EmbeddedResources.h\"\n\nnamespace {\n${arrays}}  // namespace\n\n")
  string(APPEND text "const EmbeddedResource embeddedResources[] = {\n${rows}};\n")
  string(APPEND text "const size_t embeddedResourceCount = ${index};\n")
  # Rewritten only when it changes, so an unchanged table is not compiled again.
  file(WRITE ${OUT}.new "${text}")
  file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
  file(REMOVE ${OUT}.new)
  return()
endif()

set(VN_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

function(vn_embed_resources target base)
  cmake_parse_arguments(PARSE_ARGV 2 EMBED "" "" "NAMED")
  set(pairs "")
  set(files "")
  foreach(file IN LISTS EMBED_UNPARSED_ARGUMENTS)
    file(RELATIVE_PATH name ${base} ${file})
    list(APPEND pairs ${name} ${file})
    list(APPEND files ${file})
  endforeach()
  set(named ${EMBED_NAMED})
  while(named)
    list(POP_FRONT named name file)
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "${file} is missing (scripts/install-deps installs it)")
    endif()
    list(APPEND pairs ${name} ${file})
    list(APPEND files ${file})
  endwhile()
  set(out ${CMAKE_BINARY_DIR}/generated/${target}_resources.cpp)
  set(list ${CMAKE_BINARY_DIR}/generated/${target}_resources.list)
  file(WRITE ${list}.new "${pairs}")
  file(COPY_FILE ${list}.new ${list} ONLY_IF_DIFFERENT)
  file(REMOVE ${list}.new)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} -DLIST=${list} -P ${VN_EMBED_SCRIPT}
    DEPENDS ${files} ${list} ${VN_EMBED_SCRIPT}
    COMMENT "Embedding ${target}'s resource files"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
