# Helpers that give every source folder one owning library target, and every test file one
# executable linked with the owner of the source folder it mirrors.

# calmora_library(NAME <target> [DIRS <folder>...] [TREES <folder>...] [QT] [LIBS ...])
# Builds the .cpp files lying directly in each DIRS folder, and in each TREES folder and every
# folder below it (paths from the project root), into a static library, or an interface
# library while the folders hold no sources yet, and records the target as the owner of those
# folders. The project root is the include root, so headers are included as
# "imaging/core/bitmap/....h".
function(calmora_library)
  cmake_parse_arguments(ARG "QT" "NAME" "DIRS;TREES;LIBS" ${ARGN})
  set(dirs ${ARG_DIRS})
  foreach(tree IN LISTS ARG_TREES)
    list(APPEND dirs ${tree})
    file(GLOB_RECURSE below LIST_DIRECTORIES true CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}"
         "${PROJECT_SOURCE_DIR}/${tree}/*")
    foreach(entry IN LISTS below)
      if(IS_DIRECTORY "${PROJECT_SOURCE_DIR}/${entry}")
        list(APPEND dirs ${entry})
      endif()
    endforeach()
  endforeach()
  set(sources)
  foreach(dir IN LISTS dirs)
    file(GLOB found CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${dir}/*.cpp")
    list(APPEND sources ${found})
    calmora_claim_folder(${dir} ${ARG_NAME})
  endforeach()
  if(sources)
    add_library(${ARG_NAME} STATIC ${sources})
    set(scope PUBLIC)
    if(ARG_QT)
      set_target_properties(${ARG_NAME} PROPERTIES AUTOMOC ON)
    endif()
  else()
    add_library(${ARG_NAME} INTERFACE)
    set(scope INTERFACE)
  endif()
  target_include_directories(${ARG_NAME} ${scope} "${PROJECT_SOURCE_DIR}")
  if(ARG_LIBS)
    target_link_libraries(${ARG_NAME} ${scope} ${ARG_LIBS})
  endif()
endfunction()

# calmora_claim_folder(<folder> <target>): the target builds the sources of the folder.
function(calmora_claim_folder dir target)
  get_property(owner GLOBAL PROPERTY "CALMORA_OWNER:${dir}")
  if(owner)
    message(FATAL_ERROR "${dir} is claimed by both ${owner} and ${target}")
  endif()
  set_property(GLOBAL PROPERTY "CALMORA_OWNER:${dir}" ${target})
endfunction()

# calmora_owner_of(<folder> <variable>): the target that owns the folder or, failing that,
# its nearest owned parent; empty when none does.
function(calmora_owner_of dir variable)
  set(owner "")
  while(TRUE)
    get_property(owner GLOBAL PROPERTY "CALMORA_OWNER:${dir}")
    if(owner OR dir STREQUAL "" OR dir STREQUAL ".")
      break()
    endif()
    get_filename_component(dir "${dir}" DIRECTORY)
  endwhile()
  set(${variable} "${owner}" PARENT_SCOPE)
endfunction()

# calmora_check_sources(<folder>...): a source file in a folder that no target claims would
# silently never be built; this makes it a configure error instead.
function(calmora_check_sources)
  foreach(root IN LISTS ARGN)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}"
         "${PROJECT_SOURCE_DIR}/${root}/*.cpp")
    foreach(source IN LISTS sources)
      get_filename_component(dir "${source}" DIRECTORY)
      get_property(owner GLOBAL PROPERTY "CALMORA_OWNER:${dir}")
      if(NOT owner)
        message(FATAL_ERROR "${source}: no library target builds the folder ${dir}")
      endif()
    endforeach()
  endforeach()
endfunction()

# calmora_codec_family(LIBS ...): the codec family in the calling folder (imaging/codecs/<name>)
# becomes the library calmora_codec_<name>, linked with its outside library and nothing else.
function(calmora_codec_family)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  get_filename_component(family "${CMAKE_CURRENT_SOURCE_DIR}" NAME)
  file(RELATIVE_PATH dir "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
  calmora_library(NAME calmora_codec_${family} DIRS ${dir} LIBS ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY CALMORA_CODEC_FAMILIES calmora_codec_${family})
endfunction()

# calmora_test_support(NAME <target> DIR <folder below tests/> LIBS ...)
# The .cpp files of a tests/ folder as a static library that tests link (see calmora_test_extras).
function(calmora_test_support)
  cmake_parse_arguments(ARG "" "NAME;DIR" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${ARG_DIR}/*.cpp")
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")  # tests of the support itself
  add_library(${ARG_NAME} STATIC ${sources})
  target_include_directories(${ARG_NAME} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${ARG_NAME} PUBLIC
    CALMORA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}/tests")
endfunction()

# calmora_test_extras(DIR <folder below tests/> [LIBS ...]): what the tests in that folder and
# below link besides the owner of the code they test; the nearest folder's list wins, so a
# subfolder can also take libraries away (an empty list).
function(calmora_test_extras)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  set_property(GLOBAL PROPERTY "CALMORA_TEST_EXTRAS:${ARG_DIR}" "${ARG_LIBS};")
endfunction()

function(calmora_test_extras_of dir variable)
  while(TRUE)
    get_property(set GLOBAL PROPERTY "CALMORA_TEST_EXTRAS:${dir}" SET)
    if(set OR dir STREQUAL "")
      break()
    endif()
    get_filename_component(dir "${dir}" DIRECTORY)
  endwhile()
  get_property(extras GLOBAL PROPERTY "CALMORA_TEST_EXTRAS:${dir}")
  set(${variable} "${extras}" PARENT_SCOPE)
endfunction()

# calmora_add_tests(LIBS ...): the tests/**/<name>_test.cpp files of one folder become one
# executable, linked with the owner of the source folder they mirror (tests/imaging/core/bitmap
# tests imaging/core/bitmap), that folder's extras and the given libraries. A test links nothing
# above the layer it tests, so a call upward fails at link time. One executable per folder
# rather than per file keeps the sanitized link count low; its cases still run as parallel
# processes, as shards of the executable (GoogleTest's sharding), one CTest entry each. Each
# executable runs in a folder of its own because the front end keeps its settings file beside
# the executable (the app tests lock it, since shards share it).
function(calmora_add_tests)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB_RECURSE test_sources CONFIGURE_DEPENDS RELATIVE "${PROJECT_SOURCE_DIR}/tests"
       "${PROJECT_SOURCE_DIR}/tests/*_test.cpp")
  set(dirs)
  foreach(source IN LISTS test_sources)
    get_filename_component(dir "${source}" DIRECTORY)
    string(REPLACE "/" "_" dir_key "${dir}")
    list(APPEND dirs "${dir}")
    list(APPEND "sources_of_${dir_key}" "${PROJECT_SOURCE_DIR}/tests/${source}")
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  foreach(dir IN LISTS dirs)
    calmora_owner_of("${dir}" owner)
    if(NOT owner)
      message(FATAL_ERROR "tests/${dir}: no library owns the folder it would test")
    endif()
    calmora_test_extras_of("${dir}" extras)
    string(REPLACE "/" "_" dir_key "${dir}")
    set(sources ${sources_of_${dir_key}})
    string(REPLACE "/" "_" target "${dir}_tests")
    add_executable(${target} ${sources})
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}")
    target_link_libraries(${target} PRIVATE ${owner} ${extras} ${ARG_LIBS} GTest::gtest
                                             GTest::gtest_main GTest::gmock)
    set_target_properties(${target} PROPERTIES
      RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests/${target}")
    target_compile_definitions(${target} PRIVATE
      CALMORA_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}/tests")
    # Four shards a file, up to eight: enough to spread a folder's slow cases (a table of 163
    # transitions, say) over the cores, few enough that sanitized start-ups do not dominate.
    list(LENGTH sources files)
    math(EXPR shards "${files} * 4")
    if(shards GREATER 8)
      set(shards 8)
    endif()
    math(EXPR last "${shards} - 1")
    foreach(shard RANGE ${last})
      set(name "${target}")
      if(shards GREATER 1)
        set(name "${target}/${shard}")
      endif()
      add_test(NAME ${name} COMMAND ${target} --gtest_color=no
               WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/tests/${target}")
      set_tests_properties(${name} PROPERTIES TIMEOUT 600 ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;GTEST_TOTAL_SHARDS=${shards};GTEST_SHARD_INDEX=${shard}")
    endforeach()
  endforeach()
endfunction()

# calmora_benchmark(<source>): one Google Benchmark executable per file.
function(calmora_benchmark source)
  get_filename_component(stem "${source}" NAME_WE)
  add_executable(bench_${stem} "${source}")
  target_include_directories(bench_${stem} PRIVATE "${PROJECT_SOURCE_DIR}")
  target_link_libraries(bench_${stem} PRIVATE ${ARGN} benchmark::benchmark)
endfunction()
