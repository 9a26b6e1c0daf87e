# Warnings are set per target, so third-party code keeps its own flags.
function(varno_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                           -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
endfunction()
