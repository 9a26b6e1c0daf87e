# varno_settings: what every target of the project compiles with, linked PRIVATE by each of them.
# - The include roots: the source tree, so that an include names its folder ("net/HttpClient.h"), and
#   the generated headers ("foundation/Version.h").
# - The warnings, set on our targets only so third-party code keeps its own flags; VARNO_WERROR makes
#   them errors.
option(VARNO_WERROR "Treat the project's warnings as errors" OFF)

add_library(varno_settings INTERFACE)
target_include_directories(varno_settings INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_compile_features(varno_settings INTERFACE cxx_std_20)
if(MSVC)
  target_compile_options(varno_settings INTERFACE /W4 /permissive- $<$<BOOL:${VARNO_WERROR}>:/WX>)
else()
  target_compile_options(varno_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
                                                  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual
                                                  $<$<BOOL:${VARNO_WERROR}>:-Werror>)
endif()

# The one source of the version: project(VERSION ...).
set(VARNO_VERSION_DATE "04/05/2023" CACHE STRING "The date the version label shows")
configure_file(${PROJECT_SOURCE_DIR}/foundation/Version.h.in ${PROJECT_BINARY_DIR}/generated/foundation/Version.h @ONLY)
