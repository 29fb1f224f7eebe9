# The version is written once, in project() of the top CMakeLists.txt. Every program and the
# plug-in link lirno_version and get it compiled in as LIRNO_VERSION.
add_library(lirno_version INTERFACE)
target_compile_definitions(lirno_version INTERFACE LIRNO_VERSION="${PROJECT_VERSION}")

# The host reads the plug-in's version from its descriptor, which must keep it there: check that
# the descriptor says what the build says, so that the two cannot drift apart.
set(lirno_descriptor ${PROJECT_SOURCE_DIR}/lirno.plugin)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${lirno_descriptor})
file(READ ${lirno_descriptor} lirno_descriptor_text)
string(JSON lirno_descriptor_version ERROR_VARIABLE lirno_descriptor_error
       GET "${lirno_descriptor_text}" VersionName)
if(lirno_descriptor_error)
  message(FATAL_ERROR "${lirno_descriptor} has no readable VersionName: ${lirno_descriptor_error}")
endif()
if(NOT lirno_descriptor_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${lirno_descriptor} says VersionName \"${lirno_descriptor_version}\" but the "
                      "project version is \"${PROJECT_VERSION}\" (project() in CMakeLists.txt): "
                      "give both the same version")
endif()
