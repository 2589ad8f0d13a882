# Installation (cmake --install) and the release archives (cpack, as
# scripts/package.sh runs it).
#
# Elsewhere the usual GNU layout: bin/hbabootcfg, bin/hbaemu and the README
# and LICENSE under share/doc/hbabootcfg. On Windows a program lives in a
# folder of its own, so there everything goes flat into the prefix; its
# documents are the operators' README.txt and LICENSE.txt with the CR LF line
# ends Notepad and the command prompt expect.
if(WIN32)
  set(CMAKE_INSTALL_BINDIR "." CACHE PATH "User executables (bin)")
  set(CMAKE_INSTALL_DOCDIR "." CACHE PATH "Documentation root (DATAROOTDIR/doc/PROJECT_NAME)")
endif()
include(GNUInstallDirs)

install(TARGETS hbabootcfg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET hbaemu)
  install(TARGETS hbaemu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
          DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

# hbabootcfg-<version>-windows-x64.zip, hbabootcfg-<version>-linux-x86_64.tar.gz:
# the version is the project version, the platform the target's.
if(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    set(CPACK_SYSTEM_NAME windows-x64)
  else()
    set(CPACK_SYSTEM_NAME windows-${CMAKE_SYSTEM_PROCESSOR})
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" CPACK_SYSTEM_NAME)
  set(CPACK_GENERATOR TGZ)
endif()
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "the hbabootcfg authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# The archives unpack into one folder named like the archive.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# A Release build carries no debug information; stripping drops the symbol
# table too, which an operator's copy has no use for.
set(CPACK_STRIP_FILES ON)
include(CPack)
