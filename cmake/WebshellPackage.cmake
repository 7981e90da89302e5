# webshell_pack(TARGET name HOST <executable target or file> ENGINE <library target or file>
#               PAGES <folder> OUTPUT <file> [VERSION <1.2.3.4>] [PRODUCT <name>])
#
# Builds OUTPUT with tools/webshell-pack: a copy of HOST with the files of PAGES and the engine
# (as "wke.dll") appended as a ZIP archive. The custom target TARGET is part of "all". OUTPUT is
# rebuilt when the host, the engine, the tool or any page changes, and when pages are added or
# removed (the list of pages is re-read at build time). VERSION and PRODUCT stamp the program's
# version resource (tools/webshell-pack --version, --product).
set(WEBSHELL_PACK_TOOL ${CMAKE_CURRENT_LIST_DIR}/../tools/webshell-pack)
get_filename_component(WEBSHELL_PACK_TOOL ${WEBSHELL_PACK_TOOL} ABSOLUTE)

function(webshell_pack)
  cmake_parse_arguments(PACK "" "TARGET;HOST;ENGINE;PAGES;OUTPUT;VERSION;PRODUCT" "" ${ARGN})
  foreach(required TARGET HOST ENGINE PAGES OUTPUT)
    if(NOT PACK_${required})
      message(FATAL_ERROR "webshell_pack: ${required} is required")
    endif()
  endforeach()

  set(inputs)
  foreach(kind HOST ENGINE)
    if(TARGET ${PACK_${kind}})
      set(${kind}_file $<TARGET_FILE:${PACK_${kind}}>)
      # Depending on the target gives both the build order and the file dependency.
      list(APPEND inputs ${PACK_${kind}})
    else()
      get_filename_component(${kind}_file ${PACK_${kind}} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      list(APPEND inputs ${${kind}_file})
    endif()
  endforeach()
  get_filename_component(pages ${PACK_PAGES} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(output ${PACK_OUTPUT} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})

  file(GLOB_RECURSE page_files CONFIGURE_DEPENDS LIST_DIRECTORIES false ${pages}/*)
  # Rewritten only when the set of pages changes, so a removed page also triggers a repack.
  string(REPLACE ";" "\n" page_list "${page_files}")
  set(page_list_file ${CMAKE_CURRENT_BINARY_DIR}/${PACK_TARGET}.pages)
  file(CONFIGURE OUTPUT ${page_list_file} CONTENT "${page_list}\n" @ONLY)

  set(stamp)
  if(DEFINED PACK_VERSION)
    list(APPEND stamp --version ${PACK_VERSION})
  endif()
  if(DEFINED PACK_PRODUCT)
    list(APPEND stamp --product ${PACK_PRODUCT})
  endif()

  add_custom_command(
    OUTPUT ${output}
    COMMAND ${Python3_EXECUTABLE} ${WEBSHELL_PACK_TOOL}
            --host ${HOST_file} --engine ${ENGINE_file} --pages ${pages} -o ${output} ${stamp}
    DEPENDS ${inputs} ${page_files} ${page_list_file} ${WEBSHELL_PACK_TOOL}
    COMMENT "Packing ${PACK_OUTPUT}"
    VERBATIM)
  add_custom_target(${PACK_TARGET} ALL DEPENDS ${output})
endfunction()
