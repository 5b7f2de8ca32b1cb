# corvalin_library(NAME SOURCES... [LINKS ...]): one static library per subsystem, with
# src/ as the include root so that every #include reads "subsystem/file.h".
function(corvalin_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)
  if(ARG_LINKS)
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  endif()
endfunction()
