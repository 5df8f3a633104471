# The archiver: Debian's source package of it, fetched and checked by
# scripts/fetch-archiver.sh into a cache outside the repository, compiled
# here into one static library with every built-in format and codec (the
# console bundle). The list of sources and their definitions is read from
# the tree's own makefile (a dry run), so a newer Debian source drops in;
# the tree is never edited. Our console files (formats/sevenzip/console/)
# are compiled in place of the archiver's entry, prompt, break-handler and
# percent-printer files.
#
# The library is built once per build folder, without debug information and
# without the sanitizers (it is not our code; the front-end around it is
# instrumented as usual), and through ccache when ccache is installed: with
# no debug information the object files do not depend on the build folder,
# so every build folder after the first takes them from the cache.

set(ARCHIVER_SOURCE_DIR "" CACHE PATH "Unpacked source tree of the archiver (empty: fetch it with scripts/fetch-archiver.sh)")

function(archiver_tree out)
  if(ARCHIVER_SOURCE_DIR AND EXISTS "${ARCHIVER_SOURCE_DIR}/.verified")
    set(${out} "${ARCHIVER_SOURCE_DIR}" PARENT_SCOPE)
    return()
  endif()
  execute_process(COMMAND bash "${PROJECT_SOURCE_DIR}/scripts/fetch-archiver.sh"
    OUTPUT_VARIABLE tree RESULT_VARIABLE result OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT result EQUAL 0 OR NOT EXISTS "${tree}/.verified")
    message(FATAL_ERROR "scripts/fetch-archiver.sh could not fetch the archiver's source (${result})")
  endif()
  set(ARCHIVER_SOURCE_DIR "${tree}" CACHE PATH "Unpacked source tree of the archiver" FORCE)
  set(${out} "${tree}" PARENT_SCOPE)
endfunction()

# add_archiver_library(<target> CONSOLE <our console sources...> REPLACES <archiver file names...>)
function(add_archiver_library target)
  cmake_parse_arguments(ARG "" "" "CONSOLE;REPLACES" ${ARGN})
  archiver_tree(tree)
  set(bundle "${tree}/CPP/7zip/Bundles/Alone2")
  # The makefile's dry run prints one compiler line per object file.
  execute_process(COMMAND make -n -f ../../cmpl_gcc.mak DISABLE_RAR=1
    WORKING_DIRECTORY "${bundle}" OUTPUT_VARIABLE dry RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "the archiver's makefile gives no build plan (${result})")
  endif()
  string(REPLACE "\n" ";" lines "${dry}")
  set(sources)
  foreach(line IN LISTS lines)
    if(NOT line MATCHES " -c ")
      continue()
    endif()
    separate_arguments(words UNIX_COMMAND "${line}")
    list(GET words -1 relative)
    get_filename_component(source "${bundle}/${relative}" ABSOLUTE)
    get_filename_component(name "${source}" NAME)
    if(name IN_LIST ARG_REPLACES)
      continue()
    endif()
    set(defines)
    foreach(word IN LISTS words)
      if(word MATCHES "^-D(.+)$" AND NOT CMAKE_MATCH_1 STREQUAL "NDEBUG")
        list(APPEND defines "${CMAKE_MATCH_1}")
      endif()
    endforeach()
    list(APPEND sources "${source}")
    set_source_files_properties("${source}" PROPERTIES COMPILE_DEFINITIONS "${defines}" COMPILE_OPTIONS "-w")
  endforeach()
  list(LENGTH sources count)
  if(count LESS 100)
    message(FATAL_ERROR "the archiver's makefile lists only ${count} sources")
  endif()
  message(STATUS "Archiver: ${count} sources from ${tree}")

  add_library(${target} STATIC ${sources} ${ARG_CONSOLE})
  # Not instrumented and without debug information (see above); the
  # directory's sanitizer and fuzzer options are dropped for this target.
  set_property(TARGET ${target} PROPERTY COMPILE_OPTIONS "")
  target_compile_options(${target} PRIVATE -O2 -g0)
  # The dialect the archiver's own makefile builds with.
  set_target_properties(${target} PROPERTIES CXX_STANDARD 17 CXX_EXTENSIONS ON)
  target_compile_definitions(${target} PRIVATE NDEBUG _REENTRANT _FILE_OFFSET_BITS=64 _LARGEFILE_SOURCE)
  # The archiver's Unix stand-ins for a few Windows names would collide at
  # link time with the platform layer's own: inside the archiver they get
  # names of their own.
  target_compile_definitions(${target} PRIVATE
    GetTickCount=ArchiverGetTickCount
    FileTimeToLocalFileTime=ArchiverFileTimeToLocalFileTime
    LocalFileTimeToFileTime=ArchiverLocalFileTimeToFileTime
    IUnknown=ArchiverIUnknown
    IID_IUnknown=ArchiverIID_IUnknown)
  set_source_files_properties(${ARG_CONSOLE} PROPERTIES COMPILE_OPTIONS "-Wall;-Wextra")
  target_include_directories(${target} PRIVATE "${tree}")
  # Only our console files see the repository, so the archiver's own object
  # files do not depend on where the repository lies (ccache shares them
  # between clones).
  set_property(SOURCE ${ARG_CONSOLE} APPEND PROPERTY INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${target} PUBLIC Threads::Threads ${CMAKE_DL_LIBS})
  find_program(CCACHE_PROGRAM ccache)
  if(CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set_target_properties(${target} PROPERTIES C_COMPILER_LAUNCHER "${CCACHE_PROGRAM}" CXX_COMPILER_LAUNCHER "${CCACHE_PROGRAM}")
  endif()
endfunction()
