# The Linux program of a release takes its compiler and linker flags, Debian's
# hardening among them, from dpkg-buildflags of the Debian it is built on, as
# Debian's own packages do. Run in the source folder, so that the file-prefix
# map it gives names the sources.
option(VARNHOLT_DPKG_BUILDFLAGS "Take the compiler and linker flags from dpkg-buildflags" OFF)
if(VARNHOLT_DPKG_BUILDFLAGS AND NOT WIN32)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
              dpkg-buildflags --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE dpkg_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
  set(CMAKE_CXX_FLAGS "${dpkg_CPPFLAGS} ${dpkg_CXXFLAGS}")
  set(CMAKE_EXE_LINKER_FLAGS "${dpkg_LDFLAGS}")
  message(STATUS "dpkg-buildflags: ${CMAKE_CXX_FLAGS} | ${CMAKE_EXE_LINKER_FLAGS}")
endif()
