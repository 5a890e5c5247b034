# Host build: the builder, the unit tests (under sanitizers), the fuzzers and
# the end-to-end tests that run built executables under Wine.
add_compile_options(-Wall -Wextra)
include_directories(SYSTEM ${QARVO_JDK_HOME}/include ${QARVO_JDK_HOME}/include/linux)

include(cmake/builder.cmake)

set(QARVO_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

# Plain libraries for the shipped builder; sanitized twins for the tests.
add_library(qarvo_portable STATIC ${QARVO_PORTABLE_SOURCES})
target_include_directories(qarvo_portable PUBLIC ${PROJECT_SOURCE_DIR})
# init reads deflated jar entries.
find_package(ZLIB REQUIRED)
qarvo_builder_libraries("" qarvo_portable)
target_link_libraries(builder_project PUBLIC ZLIB::ZLIB)

add_library(qarvo_portable_san STATIC ${QARVO_PORTABLE_SOURCES})
target_include_directories(qarvo_portable_san PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(qarvo_portable_san PUBLIC ${QARVO_SANITIZE})
target_link_options(qarvo_portable_san PUBLIC ${QARVO_SANITIZE})
qarvo_builder_libraries(_san qarvo_portable_san)
target_link_libraries(builder_project_san PUBLIC ZLIB::ZLIB)

add_test(NAME builder.include_order COMMAND ${PROJECT_SOURCE_DIR}/scripts/include-order.sh builder)
set_tests_properties(builder.include_order PROPERTIES LABELS unit)
add_executable(qarvo-build builder/main.cpp builder/help.cpp)
target_link_libraries(qarvo-build PRIVATE builder_lib)
install(TARGETS qarvo-build RUNTIME DESTINATION bin COMPONENT example)

# The JSON Schema of project files, written by the builder from its own key
# tables, goes into dist/schema, where init's #:schema line points.
set(QARVO_PROJECT_SCHEMA ${CMAKE_BINARY_DIR}/schema/qarvo-project.schema.json)
add_custom_command(OUTPUT ${QARVO_PROJECT_SCHEMA}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/schema
  COMMAND qarvo-build schema -o ${QARVO_PROJECT_SCHEMA}
  DEPENDS qarvo-build VERBATIM)
add_custom_target(project_schema ALL DEPENDS ${QARVO_PROJECT_SCHEMA})
install(FILES ${QARVO_PROJECT_SCHEMA} DESTINATION schema)
# The examples and the reference's projects against the schema, and wrong
# projects refused by the schema and by check alike (Debian's python3 with
# python3-jsonschema).
find_program(QARVO_PYTHON3 python3 HINTS /usr/bin)
add_test(NAME builder.schema
  COMMAND ${QARVO_PYTHON3} ${PROJECT_SOURCE_DIR}/tests/schema/schema_test.py $<TARGET_FILE:qarvo-build> ${PROJECT_SOURCE_DIR})
set_tests_properties(builder.schema PROPERTIES LABELS unit)

enable_testing()
add_subdirectory(runtime)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE builder_lib_san gtest gtest_main)
target_compile_definitions(unit_tests PRIVATE QARVO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
gtest_discover_tests(unit_tests NO_PRETTY_VALUES PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)

# libFuzzer targets, each run briefly by the test command from its seed corpus.
set(QARVO_FUZZ_SECONDS 10 CACHE STRING "Seconds each fuzzer runs in the test command")
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_library(qarvo_portable_fuzz STATIC ${QARVO_PORTABLE_SOURCES} ${BUILDER_SOURCES})
  target_include_directories(qarvo_portable_fuzz PUBLIC ${PROJECT_SOURCE_DIR} PRIVATE ${QARVO_GENERATED})
  target_link_libraries(qarvo_portable_fuzz PUBLIC ZLIB::ZLIB)
  target_compile_options(qarvo_portable_fuzz PUBLIC -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
  foreach(source ${FUZZ_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_link_libraries(${name} PRIVATE qarvo_portable_fuzz)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    string(REPLACE "fuzz_" "" corpus ${name})
    set(work ${CMAKE_BINARY_DIR}/fuzz-work/${corpus})
    file(MAKE_DIRECTORY ${work})
    add_test(NAME ${name}
      COMMAND ${name} -max_total_time=${QARVO_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
              ${work} ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${corpus})
    set_tests_properties(${name} PROPERTIES LABELS fuzz)
  endforeach()
else()
  message(WARNING "fuzzers need clang; configure with CXX=clang++ to build them")
endif()

# Tests of built executables under Wine.
set(QARVO_DIST ${PROJECT_SOURCE_DIR}/dist CACHE PATH "The dist tree the end-to-end tests use")
set(QARVO_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix of the tests")
set(QARVO_WIN_BUILD_DIRS "" CACHE STRING "Cross build directories whose win_tests.exe run under Wine")
set(QARVO_TEST_ENV WINEPREFIX=${QARVO_WINEPREFIX} WINEDEBUG=-all)
# Every Windows program starts through this runner, which picks the loader.
set(QARVO_WINE_RUN ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)

# One Wine server for the tests' prefix, up from the first test that needs it
# to the last (ctest adds these two to any selection of such tests).
add_test(NAME wine.server.start COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-server.sh start ${QARVO_WINEPREFIX})
add_test(NAME wine.server.stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/wine-server.sh stop ${QARVO_WINEPREFIX})
set_tests_properties(wine.server.start PROPERTIES FIXTURES_SETUP wine_server RESOURCE_LOCK wine_temp TIMEOUT 300)
set_tests_properties(wine.server.stop PROPERTIES FIXTURES_CLEANUP wine_server RESOURCE_LOCK wine_temp TIMEOUT 60)

file(GLOB E2E_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/*_test.cpp)
add_library(e2e_rig STATIC tests/e2e/rig.cpp)
target_link_libraries(e2e_rig PUBLIC qarvo_portable gtest)
target_compile_definitions(e2e_rig PRIVATE QARVO_DIST_DEFAULT="${QARVO_DIST}" QARVO_WINEPREFIX_DEFAULT="${QARVO_WINEPREFIX}"
                                            QARVO_WINE_RUN_DEFAULT="${QARVO_WINE_RUN}")
foreach(source ${E2E_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(e2e_${name} ${source})
  target_link_libraries(e2e_${name} PRIVATE e2e_rig gtest_main builder_lib)
  gtest_discover_tests(e2e_${name}
    TEST_PREFIX "e2e." NO_PRETTY_VALUES
    PROPERTIES LABELS e2e RESOURCE_LOCK wine_temp FIXTURES_REQUIRED wine_server TIMEOUT 300
    DISCOVERY_TIMEOUT 60)
endforeach()

# The PE header check of the stubs and of a built executable on its own: it
# runs no Windows program (ctest -L hardening).
add_test(NAME hardening COMMAND e2e_hardening_test)
set_tests_properties(hardening PROPERTIES LABELS hardening)

# qarvo-build.exe under Wine against this build's qarvo-build.
add_test(NAME e2e.windows_builder
  COMMAND ${PROJECT_SOURCE_DIR}/tests/e2e/windows_builder_test.sh ${QARVO_DIST} ${CMAKE_BINARY_DIR}/windows-builder)
set_tests_properties(e2e.windows_builder PROPERTIES LABELS e2e RESOURCE_LOCK wine_temp FIXTURES_REQUIRED wine_server TIMEOUT 300
                                                   ENVIRONMENT "${QARVO_TEST_ENV}")

foreach(dir ${QARVO_WIN_BUILD_DIRS})
  get_filename_component(arch ${dir} NAME)
  # The runner ends with 77 when 32-bit programs cannot run here.
  add_test(NAME win_tests.${arch} COMMAND ${QARVO_WINE_RUN} ${dir}/win_tests.exe)
  # The same prefix as the end-to-end tests: a Wine server started here
  # without a display would take the desktop from a window test running
  # beside it, and the temporary-directory tests make and remove directories
  # in the prefix (among them C:\windows\temp, where the launcher falls back).
  set_tests_properties(win_tests.${arch} PROPERTIES LABELS win ENVIRONMENT "${QARVO_TEST_ENV}" TIMEOUT 300
                                                    RESOURCE_LOCK wine_temp FIXTURES_REQUIRED wine_server
                                                    SKIP_RETURN_CODE 77)
endforeach()

# The benchmarks, run small once each so that their documented commands keep
# working; no speed is judged. They use a Wine prefix of their own.
add_test(NAME bench.smoke COMMAND ${PROJECT_SOURCE_DIR}/tests/bench/smoke_test.sh ${CMAKE_BINARY_DIR}/bench-smoke)
set_tests_properties(bench.smoke PROPERTIES LABELS bench TIMEOUT 600)

add_subdirectory(testing/fakejre/bridge)

# The JNI code against the host's real JVM. gtest_discover_tests runs every
# test in a process of its own, as each needs a JVM of its own.
find_package(Java 1.8 REQUIRED COMPONENTS Development)
include(UseJava)
file(GLOB_RECURSE JNI_TEST_JAVA CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/jni/java/*.java)
set(CMAKE_JAVA_COMPILE_FLAGS -encoding UTF-8)
add_jar(jni_test_classes SOURCES ${JNI_TEST_JAVA} OUTPUT_NAME jni-test-classes)
find_library(QARVO_LIBJVM jvm PATHS ${QARVO_JDK_HOME}/lib/server NO_DEFAULT_PATH REQUIRED)
add_executable(jvm_host_tests tests/jni/jvm_host_test.cpp)
target_link_libraries(jvm_host_tests PRIVATE qarvo_portable gtest gtest_main ${QARVO_LIBJVM})
set_target_properties(jvm_host_tests PROPERTIES BUILD_RPATH ${QARVO_JDK_HOME}/lib/server)
add_dependencies(jvm_host_tests jni_test_classes)
get_target_property(JNI_TEST_JAR jni_test_classes JAR_FILE)
gtest_discover_tests(jvm_host_tests TEST_PREFIX "jni." NO_PRETTY_VALUES
  PROPERTIES LABELS jni ENVIRONMENT "QARVO_JNI_TEST_JAR=${JNI_TEST_JAR}" TIMEOUT 120
  DISCOVERY_TIMEOUT 60)

# The documentation goes into dist/docs, where qarvo-build --help points.
install(FILES docs/project-file.md docs/launcher.md DESTINATION docs)

# The Maven artifacts: the runtime, the plugin and the example built with them.
add_subdirectory(maven)
# The Gradle plugin and the example built with it.
add_subdirectory(gradle)
