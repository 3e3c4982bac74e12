# The rooms of the library. Each room (platform, support, host, pcb, hyp,
# output, exporter) is a static library tq_<room> that links the rooms it
# uses and nothing else, and that compiles against an include view of its
# own: a directory in the build tree holding one link per room it may see
# (itself and, transitively, the rooms it uses). Headers are included as
# "room/Header.h", and the source tree's root is on no room's include path,
# so an include of a room above fails to compile ("No such file or
# directory"), and a call into a room above, which only a declaration
# written by hand could reach, fails to link.
#
# Every header of a room is also preprocessed on its own against the room's
# view (TQ_CHECK_HEADERS), so that a header no source of its room includes
# cannot reach upward unnoticed either. Preprocessing is all the check needs
# (an include that is not found ends it) and costs a tenth of compiling.

# Each room's library is also linked on its own, whole, into a shared
# library that may leave no symbol undefined (TQ_CHECK_ROOM_LINKS): a call
# into a room above, through a declaration written by hand, fails there even
# where the exporter library, which links every room, would resolve it. The
# sanitizer and fuzz builds leave their runtimes' symbols to the program, so
# the check runs in the plain Linux builds only.
if(WIN32 OR TQ_SANITIZE OR TQ_FUZZ)
  set(room_links_default OFF)
else()
  set(room_links_default ON)
endif()
option(TQ_CHECK_ROOM_LINKS "Link each room's library alone, with no symbol left undefined" ${room_links_default})

option(TQ_CHECK_HEADERS "Preprocess each header of a room on its own against the room's include view" ON)

set(TQ_ROOMS_DIR ${PROJECT_BINARY_DIR}/rooms)
if(NOT EXISTS ${TQ_ROOMS_DIR}/empty.cpp)
  file(WRITE ${TQ_ROOMS_DIR}/empty.cpp "")
endif()

# tq_include_view(OUT var NAME view ROOMS room ... [HIDES room/Header.h ...]):
# makes the directory ${TQ_ROOMS_DIR}/<view> with a link <room> -> the source
# folder of each room named, and sets var to the include directories of the
# view. A room with hidden headers gets a folder of links to each of its
# files but those instead. A view that sees host/ also sees the code made
# from host/'s entry-point lists.
function(tq_include_view)
  cmake_parse_arguments(V "" "OUT;NAME" "ROOMS;HIDES" ${ARGN})
  set(view ${TQ_ROOMS_DIR}/${V_NAME})
  file(REMOVE_RECURSE ${view}/include ${view}/generated)
  file(MAKE_DIRECTORY ${view}/include)
  set(dirs ${view}/include)
  foreach(room IN LISTS V_ROOMS)
    set(hidden ${V_HIDES})
    list(FILTER hidden INCLUDE REGEX "^${room}/")
    if(NOT hidden)
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${room} ${view}/include/${room} SYMBOLIC)
      continue()
    endif()
    file(MAKE_DIRECTORY ${view}/include/${room})
    file(GLOB files RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${room}/*)
    foreach(f IN LISTS files)
      if(NOT f IN_LIST hidden)
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${f} ${view}/include/${f} SYMBOLIC)
      endif()
    endforeach()
  endforeach()
  if("host" IN_LIST V_ROOMS)
    file(MAKE_DIRECTORY ${view}/generated)
    file(CREATE_LINK ${TQ_GENERATED_DIR}/host ${view}/generated/host SYMBOLIC)
    list(APPEND dirs ${view}/generated)
  endif()
  set(${V_OUT} ${dirs} PARENT_SCOPE)
endfunction()

# tq_add_room(NAME room [USES room ...] [HIDES room/Header.h ...] SOURCES
# source ...): the static library tq_<room> of the calling folder's sources,
# linking the rooms it uses (which must have been added before it). Headers
# named in HIDES are left out of the room's view: the room may use the rooms
# they belong to, but not these headers. The global property
# TQ_ROOM_INCLUDES_<room> holds the room's include view, for further targets
# built from the room's sources.
function(tq_add_room)
  cmake_parse_arguments(R "" "NAME" "USES;HIDES;SOURCES" ${ARGN})
  set(seen ${R_NAME})
  foreach(used IN LISTS R_USES)
    get_property(below GLOBAL PROPERTY TQ_ROOM_SEES_${used})
    if(NOT below)
      message(FATAL_ERROR "room ${R_NAME} uses ${used}, which is not a room added before it")
    endif()
    list(APPEND seen ${below})
  endforeach()
  list(REMOVE_DUPLICATES seen)
  set_property(GLOBAL PROPERTY TQ_ROOM_SEES_${R_NAME} ${seen})

  tq_include_view(OUT includes NAME ${R_NAME} ROOMS ${seen} HIDES ${R_HIDES})
  set_property(GLOBAL PROPERTY TQ_ROOM_INCLUDES_${R_NAME} ${includes})
  add_library(tq_${R_NAME} STATIC ${R_SOURCES})
  target_include_directories(tq_${R_NAME} PRIVATE ${includes})
  foreach(used IN LISTS R_USES)
    target_link_libraries(tq_${R_NAME} PUBLIC tq_${used})
  endforeach()
  if("host" IN_LIST seen AND TARGET pcbapi_generated)
    add_dependencies(tq_${R_NAME} pcbapi_generated)
  endif()

  if(TQ_CHECK_ROOM_LINKS)
    add_library(tq_${R_NAME}_alone SHARED ${TQ_ROOMS_DIR}/empty.cpp)
    target_link_libraries(tq_${R_NAME}_alone PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,tq_${R_NAME}>")
    target_link_options(tq_${R_NAME}_alone PRIVATE -Wl,--no-undefined)
    set_target_properties(tq_${R_NAME}_alone PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${TQ_ROOMS_DIR}/${R_NAME})
  endif()

  if(TQ_CHECK_HEADERS)
    file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    set(checks)
    foreach(header IN LISTS headers)
      string(MAKE_C_IDENTIFIER ${header} stem)
      set(check ${TQ_ROOMS_DIR}/${R_NAME}/check/${stem}.cpp)
      set(text "#include \"${header}\"\n")
      set(old "")
      if(EXISTS ${check})
        file(READ ${check} old)
      endif()
      if(NOT old STREQUAL text)
        file(WRITE ${check} ${text})
      endif()
      list(APPEND checks ${check})
    endforeach()
    if(checks)
      add_library(tq_${R_NAME}_headers OBJECT ${checks})
      target_include_directories(tq_${R_NAME}_headers PRIVATE ${includes})
      # The "object" of each check is the preprocessed header; nothing links it.
      target_compile_options(tq_${R_NAME}_headers PRIVATE -E)
      if("host" IN_LIST seen AND TARGET pcbapi_generated)
        add_dependencies(tq_${R_NAME}_headers pcbapi_generated)
      endif()
      add_dependencies(tq_${R_NAME} tq_${R_NAME}_headers)
    endif()
  endif()
endfunction()
