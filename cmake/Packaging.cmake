# What the packages hold, and their names (scripts/package runs CPack):
#   native build   trapwright_<version>_amd64.deb  /usr/bin/trapwright, its man
#                  page, the README, the licence and the example project
#                  under /usr/share/doc/trapwright/
#   Windows build  Trapwright-<version>-win64.zip  Trapwright.exe, the README
#                  and the licence as text files, the example project, and
#                  bin/trapwright.exe (Windows would not keep two files whose
#                  names differ only in letter case in one folder)
# The programs install themselves (cli/, ui/); this adds the documents.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME trapwright)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Trapwright authors")
set(CPACK_PACKAGE_CONTACT "The Trapwright authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "insert error-handling blocks into the procedures of Visual Basic 6 projects")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # Text files for Windows: .txt, so that they open on a double click, with CR LF.
  foreach(document README.md LICENSE)
    file(READ ${PROJECT_SOURCE_DIR}/${document} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    string(REGEX REPLACE "\\.md$" "" name ${document})
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/${name}.txt CONTENT "\${text}")
    install(FILES ${CMAKE_BINARY_DIR}/package/${name}.txt DESTINATION .)
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS README.md LICENSE)
  install(DIRECTORY examples/ DESTINATION examples PATTERN expected EXCLUDE)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Trapwright-${PROJECT_VERSION}-win64)
else()
  set(docs ${CMAKE_INSTALL_DATAROOTDIR}/doc/trapwright)
  install(FILES README.md DESTINATION ${docs})
  # Debian keeps a package's licence as /usr/share/doc/PACKAGE/copyright.
  install(FILES LICENSE DESTINATION ${docs} RENAME copyright)
  install(DIRECTORY examples/ DESTINATION ${docs}/examples PATTERN expected EXCLUDE)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The summary above is the first line of the description.
  set(CPACK_PACKAGE_DESCRIPTION "Trapwright opens a VB6 project file (.vbp), a project group (.vbg) or source
files and inserts an error-handling block, expanded from a template, under
the header of every procedure. Its check command names every procedure
without one, as text or as a SARIF log for code-review tools.")
endif()
include(CPack)
