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
