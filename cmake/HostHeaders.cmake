# Header-only libraries for the cross build, taken from the build machine's
# /usr/include: only the library's own folder is linked into the build tree,
# never the rest of /usr/include, whose headers belong to the host's C library.
#   trapwright_host_headers(CLI11::CLI11 CLI/CLI.hpp)
# gives an imported target whose include folder holds CLI/ alone.
function(trapwright_host_headers target header)
  string(REGEX REPLACE "/.*" "" folder "${header}")
  string(MAKE_C_IDENTIFIER "TRAPWRIGHT_HOST_${folder}_INCLUDE" variable)
  find_path(${variable} ${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(linked ${CMAKE_BINARY_DIR}/host-headers/${folder})
  file(MAKE_DIRECTORY ${linked})
  file(CREATE_LINK ${${variable}}/${folder} ${linked}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} INTERFACE ${linked})
endfunction()
