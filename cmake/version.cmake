# The version that the program prints, the Windows files carry and the packages are named after:
# the project's version at a commit tagged vVERSION, and VERSION+N.gHASH for a build N commits
# after it (or after the first commit, before any release was tagged), so that builds between
# releases sort after the release they follow. -DNAMEFOLD_VERSION=... gives it outright, for a
# source tree without its history (tools/release builds from one).
#
# In a project: sets NAMEFOLD_VERSION, NAMEFOLD_VERSION_COMMAS ("0,1,0,N") and NAMEFOLD_RC_FLAGS
# for the Windows version resource, and namefold_version_resource(). As a script,
#   cmake [-DCOMMIT=REV] -P cmake/version.cmake
# prints the version of commit REV (default HEAD) of the checkout it lies in.
if(CMAKE_SCRIPT_MODE_FILE)
  get_filename_component(namefold_source ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
  file(STRINGS ${namefold_source}/CMakeLists.txt project_line REGEX "^project\\(namefold VERSION")
  string(REGEX REPLACE ".* VERSION ([0-9.]+) .*" "\\1" PROJECT_VERSION "${project_line}")
else()
  set(namefold_source ${CMAKE_CURRENT_SOURCE_DIR})
  set(NAMEFOLD_VERSION "" CACHE STRING "The version to build (default: from the project version and git)")
endif()
if(NOT COMMIT)
  set(COMMIT HEAD)
endif()

set(namefold_distance 0)
if(NOT NAMEFOLD_VERSION)
  set(namefold_found ${PROJECT_VERSION})
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --long --match "v[0-9]*" ${COMMIT}
      WORKING_DIRECTORY ${namefold_source} OUTPUT_VARIABLE described
      ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE described_status)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short ${COMMIT}
      WORKING_DIRECTORY ${namefold_source} OUTPUT_VARIABLE hash
      ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE hash_status)
    if(described_status EQUAL 0 AND described MATCHES "^v(.*)-([0-9]+)-g[0-9a-f]+$")
      if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
        message(WARNING "the last tag is v${CMAKE_MATCH_1}, the project version ${PROJECT_VERSION}")
      endif()
      set(namefold_distance ${CMAKE_MATCH_2})
    elseif(hash_status EQUAL 0)  # no release tagged yet: count from the first commit
      execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count ${COMMIT}
        WORKING_DIRECTORY ${namefold_source} OUTPUT_VARIABLE namefold_distance
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    endif()
    if(hash_status EQUAL 0 AND NOT namefold_distance EQUAL 0)
      string(APPEND namefold_found "+${namefold_distance}.g${hash}")
    endif()
    # Configure again when HEAD moves, so that the version follows the commit.
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --absolute-git-dir
      WORKING_DIRECTORY ${namefold_source} OUTPUT_VARIABLE git_dir
      ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT CMAKE_SCRIPT_MODE_FILE AND EXISTS "${git_dir}/logs/HEAD")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${git_dir}/logs/HEAD")
    endif()
  endif()
  set(NAMEFOLD_VERSION ${namefold_found})
elseif(NAMEFOLD_VERSION MATCHES "^[0-9.]+\\+([0-9]+)\\.g")
  set(namefold_distance ${CMAKE_MATCH_1})
endif()

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${NAMEFOLD_VERSION}")
  return()
endif()

if(namefold_distance GREATER 65535)
  set(namefold_distance 65535)
endif()
string(REPLACE "." "," NAMEFOLD_VERSION_COMMAS "${PROJECT_VERSION}")
string(APPEND NAMEFOLD_VERSION_COMMAS ",${namefold_distance}")
set(NAMEFOLD_RC_FLAGS 0x0)
if(namefold_distance GREATER 0)
  set(NAMEFOLD_RC_FLAGS 0x2)  # VS_FF_PRERELEASE: a build between releases
endif()
message(STATUS "namefold version ${NAMEFOLD_VERSION}")

# namefold_version_resource(TARGET FILE_NAME TYPE DESCRIPTION): on Windows, gives the target a
# version resource (TYPE 0x1 for a program, 0x2 for a DLL) that Explorer's properties show.
function(namefold_version_resource target file type description)
  if(NOT WIN32)
    return()
  endif()
  set(NAMEFOLD_RC_FILE ${file})
  set(NAMEFOLD_RC_NAME ${target})
  set(NAMEFOLD_RC_TYPE ${type})
  set(NAMEFOLD_RC_DESCRIPTION ${description})
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/version.rc.in
    ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
