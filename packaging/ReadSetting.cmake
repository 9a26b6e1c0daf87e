# Prints one setting of a build's PackageSettings.cmake, for the shell scripts:
#   cmake -DSETTINGS=<build>/packaging/PackageSettings.cmake -DNAME=VARNO_VERSION -P packaging/ReadSetting.cmake
include("${SETTINGS}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${${NAME}}")
