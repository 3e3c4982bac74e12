# What a release carries, from the one version in project() and the source
# tree's history (cmake/BuildVersion.cmake says how a build is told apart
# from the release):
#  - Tarnquil.dll holds a VERSIONINFO resource (cmake/Tarnquil.rc.in), which
#    Explorer shows on the file's Details tab; libTarnquil.so holds the same
#    version text in its section .tarnquil_version (demo.sh prints it);
#  - the win32 build's package target makes the release archive
#    Tarnquil-<version>-win32.zip: the DLL, the designers' guide with its
#    picture, and the change log.
# Included from the top-level CMakeLists.txt after the exporter target exists.

# Configuring refuses a version that the history already gave to another
# release commit, with the script's own words naming the commits.
execute_process(
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBASE_VERSION=${PROJECT_VERSION} -P
          ${CMAKE_SOURCE_DIR}/cmake/BuildVersion.cmake
  RESULT_VARIABLE tq_version_result
  OUTPUT_VARIABLE tq_version_text
  ERROR_VARIABLE tq_version_error)
if(NOT tq_version_result EQUAL 0)
  message(FATAL_ERROR "${tq_version_error}")
endif()

# The version is worked out again at every build, not only when configuring:
# the generated files change only when the version does, so an unchanged
# version rebuilds nothing.
if(WIN32)
  set(tq_version_templates ${CMAKE_SOURCE_DIR}/cmake/Tarnquil.rc.in)
  set(tq_version_source ${TQ_GENERATED_DIR}/Tarnquil.rc)
else()
  set(tq_version_templates ${CMAKE_SOURCE_DIR}/cmake/LibraryVersion.cpp.in)
  set(tq_version_source ${TQ_GENERATED_DIR}/LibraryVersion.cpp)
endif()
set(TQ_VERSION_FILE ${TQ_GENERATED_DIR}/version.txt)
add_custom_target(
  tq_version
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DBASE_VERSION=${PROJECT_VERSION}
          -DOUTPUT_DIR=${TQ_GENERATED_DIR} -DTEMPLATES=${tq_version_templates} -P
          ${CMAKE_SOURCE_DIR}/cmake/BuildVersion.cmake
  BYPRODUCTS ${TQ_VERSION_FILE} ${tq_version_source}
  COMMENT "Working out the build's version"
  VERBATIM)
target_sources(Tarnquil PRIVATE ${tq_version_source})
add_dependencies(Tarnquil tq_version)

if(WIN32)
  # The archive holds exactly the files below, the DLL as it was built.
  install(FILES $<TARGET_FILE:Tarnquil> DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md DESTINATION .)
  install(FILES ${CMAKE_SOURCE_DIR}/docs/images/sensor-node.png DESTINATION images)

  set(CPACK_PACKAGE_NAME Tarnquil)
  set(CPACK_PACKAGE_VENDOR Tarnquil)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "HyperLynx File (*.HYP) exporter plug-in")
  set(CPACK_GENERATOR ZIP)
  # A source package, should anyone make one, without builds and history.
  set(CPACK_SOURCE_IGNORE_FILES "/build/" "/[.]git/")
  # The archive is named when it is made, from the version of the build it
  # packs (cmake/CPackVersion.cmake reads version.txt).
  set(CPACK_PACKAGE_FILE_NAME "Tarnquil-${PROJECT_VERSION}-win32")
  set(CPACK_TQ_VERSION_FILE ${TQ_VERSION_FILE})
  set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/CPackVersion.cmake)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
endif()
