# The version resource and the embedded application manifest of
# hbabootcfg.exe, compiled by the mingw-w64 resource compiler (windres)
# through CMake's RC language. The version is the project's, the copyright
# line and the company LICENSE's.
enable_language(RC)

# FILEVERSION takes four numbers: 1.1 is 1,1,0,0.
set(HBA_VERSION_COMMAS "")
foreach(part MAJOR MINOR PATCH TWEAK)
  set(number "${PROJECT_VERSION_${part}}")
  if(number STREQUAL "")
    set(number 0)
  endif()
  list(APPEND HBA_VERSION_COMMAS ${number})
endforeach()
list(JOIN HBA_VERSION_COMMAS "," HBA_VERSION_COMMAS)

file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE HBA_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(HBA_COPYRIGHT STREQUAL "")
  message(FATAL_ERROR "LICENSE has no Copyright line for the version resource")
endif()
# "Copyright (c) 2026 the hbabootcfg authors": the holder is the company.
string(REGEX REPLACE "^Copyright \\(c\\) [0-9, -]+ " "" HBA_VENDOR "${HBA_COPYRIGHT}")
set(HBA_MANIFEST ${CMAKE_CURRENT_SOURCE_DIR}/hbabootcfg.exe.manifest)

configure_file(hbabootcfg.rc.in ${CMAKE_CURRENT_BINARY_DIR}/hbabootcfg.rc @ONLY)
target_sources(hbabootcfg PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/hbabootcfg.rc)
# windres reads the manifest itself: a change to it must rebuild the resource.
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/hbabootcfg.rc PROPERTIES OBJECT_DEPENDS ${HBA_MANIFEST})
