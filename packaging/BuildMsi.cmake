# Makes the MSI from the package's folder, with Debian's msitools (wixl), then signs it when the build
# has a certificate. Run by scripts/windows --package:
#   cmake -DSETTINGS=<build>/packaging/PackageSettings.cmake -DPROGRAM_DIR=<unpacked folder> -DOUTPUT=<file.msi>
#         [-DVERSION=<x.y.z>] -P packaging/BuildMsi.cmake
# VERSION replaces the build's own (the upgrade test makes an older MSI of the same files).
include("${SETTINGS}")
if(NOT DEFINED VERSION)
  set(VERSION "${VARNO_VERSION}")
endif()
get_filename_component(PROGRAM_DIR "${PROGRAM_DIR}" ABSOLUTE)
get_filename_component(OUTPUT "${OUTPUT}" ABSOLUTE)
find_program(WIXL wixl REQUIRED)
find_program(WIXL_HEAT wixl-heat REQUIRED)

set(work "${OUTPUT}.work")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
# One component per file, under INSTALLDIR, in a stable order.
file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${PROGRAM_DIR}" "${PROGRAM_DIR}/*")
list(SORT files)
list(TRANSFORM files PREPEND "${PROGRAM_DIR}/")
list(JOIN files "\n" file_list)
file(WRITE "${work}/files.txt" "${file_list}\n")
execute_process(COMMAND "${WIXL_HEAT}" --prefix "${PROGRAM_DIR}/" --directory-ref INSTALLDIR
                        --component-group ProgramFiles --var var.SourceDir
                INPUT_FILE "${work}/files.txt" OUTPUT_FILE "${work}/files.wxs" COMMAND_ERROR_IS_FATAL ANY)
file(READ "${work}/files.wxs" fragment)
string(REPLACE "Guid=\"*\"" "Guid=\"*\" Win64=\"yes\"" fragment "${fragment}") # 64-bit components
file(WRITE "${work}/files.wxs" "${fragment}")
# wixl takes the files' paths relative to the folder it runs in.
file(COPY_FILE "${VARNO_ICON}" "${work}/Module_Varno.ico")
file(RELATIVE_PATH icon "${PROGRAM_DIR}" "${work}/Module_Varno.ico")
execute_process(COMMAND "${WIXL}" --arch x64 -D "Version=${VERSION}" -D "Publisher=${VARNO_PUBLISHER}"
                        -D "Deployment=${VARNO_DEPLOYMENT}" -D "Icon=${icon}" -D "SourceDir=."
                        -o "${OUTPUT}" "${CMAKE_CURRENT_LIST_DIR}/Module_Varno.wxs" "${work}/files.wxs"
                WORKING_DIRECTORY "${PROGRAM_DIR}" COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE "${work}")

# A public property given on msiexec's command line reaches the installation's server side only when it
# is secure: the proxy policy (PROXY=) and its value read back for an upgrade join those wixl lists
# (wixl has no attribute for it).
find_program(MSIINFO msiinfo REQUIRED)
find_program(MSIBUILD msibuild REQUIRED)
execute_process(COMMAND "${MSIINFO}" export "${OUTPUT}" Property OUTPUT_VARIABLE properties COMMAND_ERROR_IS_FATAL ANY)
if(properties MATCHES "\nSecureCustomProperties\t([^\r\n]*)")
  execute_process(COMMAND "${MSIBUILD}" "${OUTPUT}" -q
                          "UPDATE `Property` SET `Value` = '${CMAKE_MATCH_1};PROXY;INSTALLEDPROXY' WHERE `Property` = 'SecureCustomProperties'"
                  COMMAND_ERROR_IS_FATAL ANY)
else()
  execute_process(COMMAND "${MSIBUILD}" "${OUTPUT}" -q
                          "INSERT INTO `Property` (`Property`, `Value`) VALUES ('SecureCustomProperties', 'PROXY;INSTALLEDPROXY')"
                  COMMAND_ERROR_IS_FATAL ANY)
endif()

include("${CMAKE_CURRENT_LIST_DIR}/Signing.cmake")
varno_sign("${OUTPUT}")
