# Run by CPack after each package is made, before it is copied beside the
# others: gives the zip fixed member times, and the .deb's ar members fixed
# modes (CPack writes them with the umask's), then lists the release's
# packages with their SHA-256 in SHA256SUMS.

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.(zip|deb)$")
    set(type --type zip)
    if(CMAKE_MATCH_1 STREQUAL "deb")
      set(type --type ar --normalizers +ar)  # off by default
    endif()
    execute_process(
      COMMAND strip-nondeterminism ${type} --timestamp $ENV{SOURCE_DATE_EPOCH} ${package}
      RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "strip-nondeterminism failed on ${package}")
    endif()
  endif()
endforeach()

# This run's packages, and those of the same version already beside them.
set(packages ${CPACK_PACKAGE_FILES})
set(made_now "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name ${package} NAME)
  list(APPEND made_now ${name})
endforeach()
file(GLOB present
     "${CPACK_PACKAGE_DIRECTORY}/Varnholt-${CPACK_PACKAGE_VERSION}-win32.zip"
     "${CPACK_PACKAGE_DIRECTORY}/varnholt_${CPACK_PACKAGE_VERSION}_*.deb")
foreach(package IN LISTS present)
  get_filename_component(name ${package} NAME)
  if(NOT name IN_LIST made_now)
    list(APPEND packages ${package})
  endif()
endforeach()

set(lines "")
foreach(package IN LISTS packages)
  get_filename_component(name ${package} NAME)
  file(SHA256 ${package} sum)
  list(APPEND lines "${name}\t${sum}")
endforeach()
list(SORT lines)
set(sums "")
foreach(line IN LISTS lines)
  string(REPLACE "\t" ";" fields "${line}")
  list(GET fields 0 name)
  list(GET fields 1 sum)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
