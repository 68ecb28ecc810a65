# Helpers shared by every folder of the project.

set(VN_ALL_LIBS "" CACHE INTERNAL "")

function(vn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# The checked-pointer header reports its own path the way an includer names it: the bare name
# from src/common, "../common/checked_pointer" from everywhere else.
function(vn_checked_pointer_name target folder)
  if(folder STREQUAL "common")
    target_compile_definitions(${target} PRIVATE VN_CHECKED_POINTER_HEADER="checked_pointer")
  else()
    target_compile_definitions(${target} PRIVATE VN_CHECKED_POINTER_HEADER="../common/checked_pointer")
  endif()
endfunction()

# src/<folder> -> static library vn_<folder>. src/main/main.cpp belongs to the executable.
function(vn_add_folder_library folder)
  set(dir ${CMAKE_SOURCE_DIR}/src/${folder})
  if(NOT IS_DIRECTORY ${dir})
    return()
  endif()
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  list(FILTER srcs EXCLUDE REGEX "/src/main/main\\.cpp$")
  if(NOT srcs)
    return()
  endif()
  set(lib vn_${folder})
  add_library(${lib} STATIC ${srcs})
  target_include_directories(${lib} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${lib} PUBLIC ${VN_EXTERNAL_LIBS})
  vn_warnings(${lib})
  vn_checked_pointer_name(${lib} ${folder})
  set(VN_ALL_LIBS ${VN_ALL_LIBS} ${lib} CACHE INTERNAL "")
endfunction()

# The folder libraries call each other in both directions (the log reads settings, the
# settings log), so they are linked as one group.
function(vn_link_all target)
  target_link_libraries(${target} PRIVATE
    "-Wl,--start-group" ${VN_ALL_LIBS} "-Wl,--end-group" ${VN_EXTERNAL_LIBS})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  foreach(lib IN LISTS VN_ALL_LIBS)
    add_dependencies(${target} ${lib})
  endforeach()
endfunction()
