# Helpers that give every subsystem one library target and every test file one executable.

# calmora_library(NAME <target> DIR <folder> [QT] [LIBS ...])
# Collects every .cpp below <folder> into a static library; the repository root is the
# include root, so headers are included as "imaging/core/....h".
function(calmora_library)
  cmake_parse_arguments(ARG "QT" "NAME;DIR" "LIBS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS "${ARG_DIR}/*.cpp")
  if(NOT sources)
    set(sources "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC "${PROJECT_SOURCE_DIR}")
  if(ARG_QT)
    # The imaging libraries link as a cycle; moc needs none of their outputs.
    set_target_properties(${ARG_NAME} PROPERTIES AUTOMOC ON AUTOGEN_ORIGIN_DEPENDS OFF)
  endif()
  if(ARG_LIBS)
    target_link_libraries(${ARG_NAME} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# calmora_tests(DIR <folder below tests/> LIBS ...)
# Every <name>_test.cpp in the folder becomes its own test executable, so one broken or
# slow test file never holds the others back. Each runs in a folder of its own because
# the front end keeps its settings file beside the executable.
function(calmora_tests)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  file(GLOB test_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${ARG_DIR}/*_test.cpp")
  file(GLOB support_sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${ARG_DIR}/support/*.cpp")
  string(REPLACE "/" "_" prefix "${ARG_DIR}")
  if(support_sources)
    add_library(test_support_${prefix} STATIC ${support_sources})
    target_link_libraries(test_support_${prefix} PUBLIC ${ARG_LIBS} GTest::gtest)
    target_include_directories(test_support_${prefix} PUBLIC "${PROJECT_SOURCE_DIR}")
    set(support test_support_${prefix})
  endif()
  foreach(source IN LISTS test_sources)
    get_filename_component(stem "${source}" NAME_WE)
    set(target "${prefix}_${stem}")
    add_executable(${target} "${source}")
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} PRIVATE ${support} ${ARG_LIBS} GTest::gtest GTest::gtest_main
                                             GTest::gmock)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests/${target}")
    target_compile_definitions(${target} PRIVATE
      CALMORA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}/tests")
    # One CTest entry per executable: starting a sanitized process per test case costs more
    # than most of the cases themselves.
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no
             WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/tests/${target}")
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 600)
  endforeach()
endfunction()

# calmora_benchmark(<source>): one Google Benchmark executable per file.
function(calmora_benchmark source)
  get_filename_component(stem "${source}" NAME_WE)
  add_executable(bench_${stem} "${source}")
  target_include_directories(bench_${stem} PRIVATE "${PROJECT_SOURCE_DIR}")
  target_link_libraries(bench_${stem} PRIVATE ${ARGN} benchmark::benchmark)
endfunction()
