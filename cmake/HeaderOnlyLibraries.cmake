# The header-only libraries, each as one target whatever installed it: their CMake packages where one
# exists (vcpkg, the Windows toolchain), else Debian's pkg-config file or include folder.

# cpp-httplib, the HTTPS servers of the tests and the sandbox: varno::httplib.
find_package(httplib CONFIG QUIET)
if(TARGET httplib::httplib)
  add_library(varno::httplib ALIAS httplib::httplib)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET GLOBAL cpp-httplib)
  add_library(varno::httplib ALIAS PkgConfig::HTTPLIB)
endif()

# RapidJSON: varno::rapidjson.
find_package(RapidJSON CONFIG REQUIRED)
add_library(varno_rapidjson INTERFACE)
add_library(varno::rapidjson ALIAS varno_rapidjson)
if(TARGET rapidjson)
  target_link_libraries(varno_rapidjson INTERFACE rapidjson)
elseif(TARGET RapidJSON::RapidJSON)
  target_link_libraries(varno_rapidjson INTERFACE RapidJSON::RapidJSON)
else()
  target_include_directories(varno_rapidjson SYSTEM INTERFACE ${RapidJSON_INCLUDE_DIRS} ${RAPIDJSON_INCLUDE_DIRS})
endif()
