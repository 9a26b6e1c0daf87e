# Run at install time (cpack), once the package's own files are in place, with this build's
# PackageSettings.cmake read before it:
# - the DLLs that the executable and the plugins import, directly or through each other, copied from
#   the toolchain's folders (Windows' own left out);
# - our own binaries stripped, their debug information kept in symbols/ (zipped beside the package by
#   scripts/windows), each binary naming its symbols file by a debug link; the toolchain's DLLs come
#   stripped already;
# - every PE file signed, when the build has a certificate.
include("${CMAKE_CURRENT_LIST_DIR}/RuntimeDependencies.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/Signing.cmake")

varno_runtime_dependencies(shipped EXECUTABLES "${VARNO_EXECUTABLE}" LIBRARIES ${VARNO_PLUGINS})
file(INSTALL ${shipped} DESTINATION "${CMAKE_INSTALL_PREFIX}")

if(NOT VARNO_OWN_BINARIES STREQUAL "")
  file(MAKE_DIRECTORY "${VARNO_SYMBOLS_DIR}")
endif()
foreach(binary IN LISTS VARNO_OWN_BINARIES)
  set(installed "${CMAKE_INSTALL_PREFIX}/${binary}")
  execute_process(COMMAND "${VARNO_OBJCOPY}" --only-keep-debug "${installed}" "${VARNO_SYMBOLS_DIR}/${binary}.debug"
                  COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${VARNO_OBJCOPY}" --strip-all "--add-gnu-debuglink=${VARNO_SYMBOLS_DIR}/${binary}.debug"
                          "${installed}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()

varno_sign_folder("${CMAKE_INSTALL_PREFIX}")
