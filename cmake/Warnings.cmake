# Warning flags for the project's own targets.
function(varnholt_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 $<$<BOOL:${VARNHOLT_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                           $<$<BOOL:${VARNHOLT_WERROR}>:-Werror>)
  endif()
endfunction()

# Adds -Wconversion on top, for code doing word and byte arithmetic.
function(varnholt_strict_warnings target)
  varnholt_warnings(${target})
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -Wconversion -Wsign-conversion)
  endif()
endfunction()
