# Writes a C++ header holding a script file as a raw string constant, for the engine to
# compile at run time. Run with
#   cmake -DINPUT=<file.js> -DOUTPUT=<header.h> -DNAMESPACE=<ns> -DNAME=<constant> -P embed_script.cmake
file(READ "${INPUT}" script)
string(FIND "${script}" ")JS\"" delimiter_in_script)
if(NOT delimiter_in_script EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains )JS\", which would end the raw string early")
endif()
set(header "// Generated from ${INPUT} by embed_script.cmake; edit the script, not this file.
#pragma once

namespace ${NAMESPACE} {

inline constexpr const char ${NAME}[] = R\"JS(${script})JS\";

}  // namespace ${NAMESPACE}
")
# Written only when it changes, so an unchanged script does not rebuild its users.
file(WRITE "${OUTPUT}.new" "${header}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
