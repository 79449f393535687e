# The desktop application, Trapwright.exe. Its windows form a library of
# their own so that the Windows test suite drives the very same classes.
enable_language(RC)
add_library(trapwright_windows STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Win32Support.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TreeImages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmMain.cpp)
target_compile_definitions(trapwright_windows PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(trapwright_windows PUBLIC trapwright_dialogs trapwright_core trapwright_version comctl32 comdlg32 gdi32 user32)

# Icon, manifest (common controls 6) and version, linked into every
# executable that shows these windows.
set(TRAPWRIGHT_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/Trapwright.rc CACHE INTERNAL "")
set_source_files_properties(${TRAPWRIGHT_RESOURCES} PROPERTIES
  OBJECT_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/Trapwright.ico;${CMAKE_CURRENT_LIST_DIR}/Trapwright.manifest")

add_executable(Trapwright WIN32 ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp ${TRAPWRIGHT_RESOURCES})
target_link_libraries(Trapwright PRIVATE trapwright_windows)
target_link_options(Trapwright PRIVATE -static)
install(TARGETS Trapwright RUNTIME DESTINATION .)
