# Run at install time (cpack): copies into the package the DLLs that the executable and the plugins
# import, directly or through each other, from the toolchain's folders. Windows' own DLLs are left out.
#
# Input variables: VARNO_EXECUTABLE, VARNO_PLUGINS, VARNO_DLL_DIRECTORIES, VARNO_SYSTEM_DLL_DIRECTORIES,
# VARNO_OBJDUMP, VARNO_DESTINATION.
include("${CMAKE_CURRENT_LIST_DIR}/RuntimeDependencies.cmake")
varno_runtime_dependencies(shipped EXECUTABLES "${VARNO_EXECUTABLE}" LIBRARIES ${VARNO_PLUGINS})
file(INSTALL ${shipped} DESTINATION "${CMAKE_INSTALL_PREFIX}/${VARNO_DESTINATION}")
