# CLI11 and nlohmann-json are header-only, so a cross build can use the host's
# copies. Only their own folders are put on the include path: all of
# /usr/include would hide mingw-w64's C library headers behind the host's.
set(CLOCKR_HOST_INCLUDE /usr/include CACHE PATH "Where the host's CLI11 and nlohmann-json headers are")
set(_clockr_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${_clockr_headers})
foreach(_clockr_lib CLI11::CLI11/CLI nlohmann_json::nlohmann_json/nlohmann)
  string(REGEX REPLACE "/.*" "" _clockr_target ${_clockr_lib})
  string(REGEX REPLACE ".*/" "" _clockr_folder ${_clockr_lib})
  if(NOT IS_DIRECTORY ${CLOCKR_HOST_INCLUDE}/${_clockr_folder})
    message(FATAL_ERROR "${CLOCKR_HOST_INCLUDE}/${_clockr_folder} is missing: run scripts/install-deps")
  endif()
  file(CREATE_LINK ${CLOCKR_HOST_INCLUDE}/${_clockr_folder} ${_clockr_headers}/${_clockr_folder} SYMBOLIC)
  add_library(${_clockr_target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${_clockr_target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_clockr_headers})
endforeach()
