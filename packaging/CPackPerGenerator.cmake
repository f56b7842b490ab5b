# Read by CPack once per generator: the zip packs the Windows product's build
# tree, the .deb this one.
if(CPACK_GENERATOR STREQUAL "ZIP")
  if(NOT CPACK_VARNHOLT_ZIP_TREE)
    message(FATAL_ERROR "The zip holds the win32 product: configure with VARNHOLT_RELEASE_WIN32=ON")
  endif()
  set(CPACK_PACKAGE_FILE_NAME "Varnholt-${CPACK_PACKAGE_VERSION}-win32")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${CPACK_VARNHOLT_ZIP_TREE};Varnholt;ALL;/")
elseif(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_STRIP_FILES ON)
endif()

# The .deb generator and strip-nondeterminism take their times from here.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_VARNHOLT_SOURCE_DATE_EPOCH}")
endif()
