# Read by cpack when it makes the archive: the archive carries the version of
# the build it packs (written by cmake/BuildVersion.cmake at every build).
file(STRINGS "${CPACK_TQ_VERSION_FILE}" tq_version LIMIT_COUNT 1)
set(CPACK_PACKAGE_VERSION "${tq_version}")
set(CPACK_PACKAGE_FILE_NAME "Tarnquil-${tq_version}-win32")
