# project_sources(<out> <folders>): every .cpp file of the folders (relative to
# the current source folder; "." when none are given).
function(project_sources out dirs)
  if(NOT dirs)
    set(dirs .)
  endif()
  set(sources)
  foreach(dir IN LISTS dirs)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

# project_library(NAME <target> [DIRS <folders relative to this one>] [DEPS <targets>...])
# Builds one static library from every .cpp file in the listed folders (the
# current one by default). A folder without sources yet gives an INTERFACE
# target, so that dependants link before the folder is filled.
function(project_library)
  cmake_parse_arguments(ARG "" "NAME" "DIRS;DEPS" ${ARGN})
  project_sources(sources "${ARG_DIRS}")
  if(sources)
    add_library(${ARG_NAME} STATIC ${sources})
    target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPS})
  else()
    add_library(${ARG_NAME} INTERFACE)
    target_include_directories(${ARG_NAME} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${ARG_NAME} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# project_test(NAME <target> [DIRS <folders>] [LIBS <targets>...] [LABELS <labels>...]
#              [THREADED <suites>...])
# One GoogleTest program from the .cpp files of the listed folders; every test
# becomes a CTest test. THREADED names the program's GoogleTest suites that
# run threads: their tests take the label `threaded` (CI runs that label under
# ThreadSanitizer) instead of LABELS. A discovered test takes one label only;
# a folder that needs a second one sets the folder's LABELS property, which
# its tests add to their own.
function(project_test)
  cmake_parse_arguments(ARG "" "NAME" "DIRS;LIBS;LABELS;THREADED" ${ARGN})
  project_sources(sources "${ARG_DIRS}")
  if(NOT sources)
    return()
  endif()
  add_executable(${ARG_NAME} ${sources})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} test_support GTest::gmock GTest::gtest_main)
  # Loopback only: the HTTP layer refuses every other host, before any
  # name is looked up (platform/network/LoopbackGuard.h).
  set(props PROPERTIES ENVIRONMENT "WEBINSTALLER_LOOPBACK_ONLY=1")
  set(others "")
  if(ARG_THREADED)
    list(JOIN ARG_THREADED ".*:" suites)
    gtest_discover_tests(${ARG_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_FILTER "${suites}.*"
      ${props} LABELS threaded)
    set(others TEST_FILTER "-${suites}.*")
  endif()
  if(ARG_LABELS)
    list(APPEND props LABELS "${ARG_LABELS}")
  endif()
  gtest_discover_tests(${ARG_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 ${others} ${props})
endfunction()
