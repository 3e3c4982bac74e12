# What a release carries, from the one version in project():
#  - Tarnquil.dll holds a VERSIONINFO resource (cmake/Tarnquil.rc.in), which
#    Explorer shows on the file's Details tab; libTarnquil.so holds the same
#    version text in its section .tarnquil_version (demo.sh prints it);
#  - the win32 build's package target makes the release archive
#    Tarnquil-<version>-win32.zip: the DLL, the designers' guide with its
#    picture, and the change log.
# Included from the top-level CMakeLists.txt after the exporter target exists.

if(WIN32)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/Tarnquil.rc.in ${CMAKE_BINARY_DIR}/generated/Tarnquil.rc @ONLY)
  target_sources(Tarnquil PRIVATE ${CMAKE_BINARY_DIR}/generated/Tarnquil.rc)
else()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/LibraryVersion.cpp.in ${CMAKE_BINARY_DIR}/generated/LibraryVersion.cpp
                 @ONLY)
  target_sources(Tarnquil PRIVATE ${CMAKE_BINARY_DIR}/generated/LibraryVersion.cpp)
endif()

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
  set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\.git/")
  set(CPACK_PACKAGE_FILE_NAME "Tarnquil-${PROJECT_VERSION}-win32")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
endif()
