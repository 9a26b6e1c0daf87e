# Where the Windows build finds the DLLs it ships or stages beside its programs: each package's bin
# folder. Windows' own DLLs are never copied; on Linux, Wine's copies stand for them while imports are
# followed (packaging/RuntimeDependencies.cmake).
set(VARNO_DLL_DIRECTORIES "")
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND VARNO_DLL_DIRECTORIES "${prefix}/bin")
endforeach()
set(VARNO_SYSTEM_DLL_DIRECTORIES "")
if(CMAKE_CROSSCOMPILING)
  file(GLOB VARNO_SYSTEM_DLL_DIRECTORIES /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows)
endif()
