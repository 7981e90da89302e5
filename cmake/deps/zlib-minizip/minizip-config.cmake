# Imported target minizip::minizip (static, with its zlib).
get_filename_component(_minizip_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET minizip::minizip)
  add_library(minizip::zlib STATIC IMPORTED)
  set_target_properties(minizip::zlib PROPERTIES
    IMPORTED_LOCATION "${_minizip_prefix}/lib/libz.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_minizip_prefix}/include")
  add_library(minizip::minizip STATIC IMPORTED)
  set_target_properties(minizip::minizip PROPERTIES
    IMPORTED_LOCATION "${_minizip_prefix}/lib/libminizip.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_minizip_prefix}/include/minizip;${_minizip_prefix}/include"
    INTERFACE_LINK_LIBRARIES minizip::zlib)
endif()
set(minizip_FOUND TRUE)
