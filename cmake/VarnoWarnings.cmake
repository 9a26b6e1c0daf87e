# Warnings are set per target, so third-party code keeps its own flags. VARNO_WERROR makes them errors.
option(VARNO_WERROR "Treat the project's warnings as errors" OFF)

function(varno_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /permissive- $<$<BOOL:${VARNO_WERROR}>:/WX>)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                             -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
                                             $<$<BOOL:${VARNO_WERROR}>:-Werror>)
  endif()
endfunction()
