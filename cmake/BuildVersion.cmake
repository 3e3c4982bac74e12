# The version a build claims, from the project's version and the source
# tree's history. Run at every build (cmake -P), so that a commit or a change
# after configuring is never built under an older claim:
#
#   cmake -DSOURCE_DIR=... -DBASE_VERSION=X.Y.Z [-DOUTPUT_DIR=... -DTEMPLATES=a.in;b.in] -P BuildVersion.cmake
#
# The rule:
#  - a release is a commit whose message holds the line "Release: X.Y.Z" for
#    the project's version X.Y.Z (in the history itself, so a clone without
#    tags knows it as well);
#  - that commit, with nothing changed in its tree, builds as exactly X.Y.Z;
#  - any other build says how it differs: X.Y.Z+N.gHASH, N commits after the
#    newest release commit of X.Y.Z, HASH the commit built; X.Y.Z+gHASH when
#    no release commit of X.Y.Z is in the history; ".dirty" after either when
#    tracked files are changed or files that git does not ignore were added;
#  - X.Y.Z+unknown when the source tree is not the top of a git work tree or
#    git cannot answer (a source tree without .git);
#  - a version that two release commits of the history claim is refused (the
#    script fails, naming the commits): two different builds would both be
#    X.Y.Z, so the next release needs a new version in project().
# Without OUTPUT_DIR the version is printed. With it, version.txt and every
# template of TEMPLATES (@TQ_VERSION@, @TQ_VERSION_MAJOR@, ..._MINOR@,
# ..._PATCH@) are written there, each only when its content changes.
cmake_minimum_required(VERSION 3.25)

if(NOT BASE_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "BASE_VERSION must read X.Y.Z, not '${BASE_VERSION}'")
endif()
set(TQ_VERSION_MAJOR ${CMAKE_MATCH_1})
set(TQ_VERSION_MINOR ${CMAKE_MATCH_2})
set(TQ_VERSION_PATCH ${CMAKE_MATCH_3})

function(tq_git out)
  execute_process(COMMAND git --no-optional-locks ${ARGN} WORKING_DIRECTORY "${SOURCE_DIR}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE text ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(result EQUAL 0)
    set(${out} "${text}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
    set(tq_git_failed TRUE PARENT_SCOPE)
  endif()
endfunction()

set(suffix "+unknown")
find_program(TQ_GIT git)
set(tq_git_failed FALSE)
if(TQ_GIT AND IS_DIRECTORY "${SOURCE_DIR}")
  tq_git(top rev-parse --show-toplevel)
  file(REAL_PATH "${SOURCE_DIR}" source)
  if(top)
    file(REAL_PATH "${top}" top)
  endif()
  # A source tree inside someone else's work tree is not that tree's commit.
  if(NOT tq_git_failed AND top STREQUAL source)
    tq_git(hash rev-parse --short=7 HEAD)
    string(REPLACE "." "[.]" pattern "${BASE_VERSION}")
    tq_git(releases log --format=%h%x09%s -E "--grep=^Release: ${pattern}$" HEAD)
    set(release "")
    if(releases)
      # One line per claim, the newest first (a subject's ';' would split it).
      string(REPLACE ";" "," releases "${releases}")
      string(REPLACE "\n" ";" releases "${releases}")
      list(LENGTH releases claims)
      if(claims GREATER 1)
        list(TRANSFORM releases REPLACE "^([^\t]*)\t(.*)$" "\\1 (\"\\2\")")
        list(JOIN releases ", " named)
        message(FATAL_ERROR "Version ${BASE_VERSION} is claimed by ${claims} release commits, the newest first: "
                            "${named}. Each holds the line \"Release: ${BASE_VERSION}\", and two different builds "
                            "may not claim one version: set the next version in project() of CMakeLists.txt.")
      endif()
      string(REGEX REPLACE "\t.*$" "" release "${releases}")
    endif()
    tq_git(changes status --porcelain)
    if(release)
      tq_git(count rev-list --count ${release}..HEAD)
    endif()
    if(NOT tq_git_failed)
      if(release AND count EQUAL 0)
        set(suffix "")
      elseif(release)
        set(suffix "+${count}.g${hash}")
      else()
        set(suffix "+g${hash}")
      endif()
      if(NOT changes STREQUAL "")
        if(suffix STREQUAL "")
          set(suffix "+0.g${hash}")
        endif()
        string(APPEND suffix ".dirty")
      endif()
    endif()
  endif()
endif()
set(TQ_VERSION "${BASE_VERSION}${suffix}")

if(NOT OUTPUT_DIR)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${TQ_VERSION}")
  return()
endif()
file(CONFIGURE OUTPUT "${OUTPUT_DIR}/version.txt" CONTENT "${TQ_VERSION}\n")
foreach(template IN LISTS TEMPLATES)
  get_filename_component(name "${template}" NAME)
  string(REGEX REPLACE "[.]in$" "" name "${name}")
  configure_file("${template}" "${OUTPUT_DIR}/${name}" @ONLY)
endforeach()
