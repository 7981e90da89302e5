# Imported target duktape::duktape (static).
get_filename_component(_duktape_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET duktape::duktape)
  add_library(duktape::duktape STATIC IMPORTED)
  set_target_properties(duktape::duktape PROPERTIES
    IMPORTED_LOCATION "${_duktape_prefix}/lib/libduktape.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_duktape_prefix}/include")
endif()
set(duktape_FOUND TRUE)
