# kv_library(<target> [QT] [LINK <targets...>])
# One library per source folder: every .cpp/.h directly in the calling folder.
function(kv_library target)
  cmake_parse_arguments(ARG "QT" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX ".*/main\\.cpp$")
  list(FILTER sources INCLUDE REGEX ".*\\.cpp$|.*\\.h$")
  set(cpp ${sources})
  list(FILTER cpp INCLUDE REGEX ".*\\.cpp$")
  if(NOT cpp)
    # A folder whose code has not been written yet: headers only.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE Threads::Threads ${ARG_LINK})
    if(ARG_QT)
      target_link_libraries(${target} INTERFACE Qt6::Widgets)
    endif()
    return()
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC Threads::Threads ${ARG_LINK})
  if(ARG_QT)
    target_link_libraries(${target} PUBLIC Qt6::Widgets)
  endif()
endfunction()

# kv_test(<target> [CORE] [SOURCES <files...>] [LINK <targets...>] [TIMEOUT <s>])
# CORE tests need no display, office or Qt; the sanitizer build runs them.
# THREADS tests drive the recording's threads; they need no Qt, so the
# ThreadSanitizer build (core only) builds them as well, display or not.
function(kv_test target)
  cmake_parse_arguments(ARG "CORE;SERIAL;THREADS" "TIMEOUT" "SOURCES;LINK" ${ARGN})
  if(KALVISTA_CORE_ONLY AND NOT ARG_CORE AND NOT (ARG_THREADS AND KALVISTA_TSAN))
    return()  # needs Qt, the office or a display: only in the full build
  endif()
  if(NOT ARG_SOURCES)
    file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  add_executable(${target} ${ARG_SOURCES})
  target_link_libraries(${target} PRIVATE kv_test_support GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LINK})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  # One ctest entry per test program, so expensive fixtures (Xvfb, the office,
  # the sound source) start once per program rather than once per case.
  add_test(NAME ${target} COMMAND ${target})
  set_property(TEST ${target} PROPERTY TIMEOUT ${ARG_TIMEOUT})
  # Each program gets a home of its own under the build, so settings, office
  # profiles and caches never land in the user's; the office profile stays
  # warm from one run to the next.
  set(home ${PROJECT_BINARY_DIR}/test-home/${target})
  file(MAKE_DIRECTORY ${home} ${home}/runtime)
  # A runtime folder of the program's own, private as a login's is: the
  # single-copy lock lives there, so test programs running side by side
  # never take each other for a running copy.
  file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set_property(TEST ${target} PROPERTY ENVIRONMENT
    "KALVISTA_SOURCE_DIR=${PROJECT_SOURCE_DIR}" "KALVISTA_BINARY_DIR=${PROJECT_BINARY_DIR}"
    "HOME=${home}" "XDG_CONFIG_HOME=${home}/.config" "XDG_CACHE_HOME=${home}/.cache"
    "XDG_DATA_HOME=${home}/.local/share" "XDG_RUNTIME_DIR=${home}/runtime" "KALVISTA_REGISTRY=${home}/.config/Kalvista Software/Kalvista.reg"
    "KALVISTA_OFFICE_PROFILES=${PROJECT_BINARY_DIR}/office-profiles")
  set(labels)
  if(ARG_CORE)
    list(APPEND labels core)
  endif()
  if(ARG_THREADS)
    list(APPEND labels threads)
  endif()
  if(labels)
    set_property(TEST ${target} PROPERTY LABELS ${labels})
  endif()
  if(ARG_SERIAL)
    set_property(TEST ${target} PROPERTY RUN_SERIAL TRUE)
  endif()
endfunction()
