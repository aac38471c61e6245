# The two header-only libraries the command-line tool is written with (CLI11 and
# nlohmann-json), taken from the build machine's Debian packages for the MinGW
# build of spanfinder.exe; the deliverables use neither. Only their own folders go
# on the include path: /usr/include as a whole holds the build machine's C library
# headers, which must not stand in for MinGW's.
set(host_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${host_headers})
foreach(folder CLI nlohmann)
  if(NOT IS_DIRECTORY /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing (cmake/install-deps.sh installs it)")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${host_headers}/${folder} SYMBOLIC)
endforeach()
foreach(target CLI11::CLI11 nlohmann_json::nlohmann_json)
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${host_headers})
endforeach()
