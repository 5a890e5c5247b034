# Cross build of the launcher (and its Win32 tests) with MinGW-w64.
if(NOT QARVO_ARCH)
  message(FATAL_ERROR "use cmake/mingw-i686.cmake or cmake/mingw-x86_64.cmake as the toolchain file")
endif()

add_compile_options(-Wall -Wextra -Wno-cast-function-type)
include_directories(SYSTEM ${QARVO_JDK_HOME}/include ${PROJECT_SOURCE_DIR}/cmake/jni/win32)
add_link_options(-static -static-libgcc -static-libstdc++)

add_library(qarvo_portable STATIC ${QARVO_PORTABLE_SOURCES} platform/lock_win.cpp)
target_include_directories(qarvo_portable PUBLIC ${PROJECT_SOURCE_DIR})
# What the launcher is built from is built for size (-Oz): every function and datum
# in a section of its own, so that the link keeps only what is reached, and no
# exception handling (it neither throws nor catches: the cleanup paths only
# made the code larger), no run-time type information (nothing asks for a
# type: the type records of every class with virtual functions and of every
# std::function target were 8 KB of the x64 stub); with stack protection
# (canaries in functions with arrays or addresses taken). Two of -Oz's
# transformations copy the library's string functions into every object
# instead of sharing them: the single "C4" body each object gets for the
# string constructors (-fdeclone-ctor-dtor), and the clones with fewer
# parameters (-fipa-sra) of _M_create and the like. Without them the x86
# stub is 21 KB smaller, the x64 one 30 KB.
set(QARVO_STUB_COMPILE_OPTIONS -Oz -fno-declone-ctor-dtor -fno-ipa-sra -ffunction-sections -fdata-sections
    -fno-exceptions -fno-rtti -fstack-protector-strong)
if(QARVO_ARCH STREQUAL "x86")
  # On x86 unwind tables serve only exceptions (x64 needs them for every
  # function); the linker keeps them all, and with them every function.
  list(APPEND QARVO_STUB_COMPILE_OPTIONS -fno-asynchronous-unwind-tables -fno-unwind-tables)
else()
  # The small code model: the image is far below 2 GiB, so data is reached
  # directly, not through a pointer per symbol (".refptr"), which kept the
  # stack protector's guard address in a register of every protected function.
  list(APPEND QARVO_STUB_COMPILE_OPTIONS -mcmodel=small)
endif()
target_compile_options(qarvo_portable PRIVATE ${QARVO_STUB_COMPILE_OPTIONS})
# Functions packed without padding between them (cmake/pack-code-sections.sh).
set(QARVO_STUB_COMPILER_LAUNCHER ${PROJECT_SOURCE_DIR}/cmake/pack-code-sections.sh)
set_target_properties(qarvo_portable PROPERTIES CXX_COMPILER_LAUNCHER ${QARVO_STUB_COMPILER_LAUNCHER})
# Whatever links it gets the stack protector's guard and failure from libssp,
# statically as everything else; the launcher defines its own
# (launcher/cxx_runtime_win.cpp), so libssp stays out of it.
target_link_options(qarvo_portable INTERFACE -fstack-protector-strong)

# The Win32 layer, less the entry point, so that the tests can link it.
add_library(launcher_core STATIC
  config/args_win.cpp
  config/config_win.cpp
  config/launch_config_win.cpp
  config/locale_table_win.cpp
  config/run_state_win.cpp
  files/archive_cache_win.cpp
  files/extract_win.cpp
  files/fileutil_win.cpp
  files/own_executable_win.cpp
  files/process_system_win.cpp
  files/tempdir_win.cpp
  files/user_data_win.cpp
  jvm/load_win.cpp
  jvm/packed_win.cpp
  jvm/probe_win.cpp
  jvm/registry_win.cpp
  jvm/search_win.cpp
  launch/class_data_sharing_win.cpp
  launch/class_path_win.cpp
  launch/launch_win.cpp
  launch/module_launch_win.cpp
  launch/variables_win.cpp
  launch/vm_options_win.cpp
  launcher/early_arguments_win.cpp
  launcher/messages_win.cpp
  log/diaglog_win.cpp
  platform/common_controls_win.cpp
  platform/dll_search_win.cpp
  platform/outcome_win.cpp
  platform/registry_win.cpp
  platform/win_text.cpp
  service/service_control_win.cpp
  service/service_win.cpp
  session/console_win.cpp
  session/instance_registry_win.cpp
  session/native_path_win.cpp
  session/reboot_win.cpp
  session/single_instance_win.cpp
  session/splash_win.cpp
  session/window_activation_win.cpp
)
# shell32 is loaded at run time where it is needed (files/fileutil_win.cpp), not imported;
# comctl32 too, before the first window (platform/common_controls_win.cpp).
target_link_libraries(launcher_core PUBLIC qarvo_portable user32 gdi32 advapi32)
target_compile_options(launcher_core PRIVATE ${QARVO_STUB_COMPILE_OPTIONS})
set_target_properties(launcher_core PROPERTIES CXX_COMPILER_LAUNCHER ${QARVO_STUB_COMPILER_LAUNCHER})

if(QARVO_ARCH STREQUAL "x86")
  set(MANIFEST_ARCH X86)
else()
  set(MANIFEST_ARCH amd64)
endif()
set(MANIFEST_PATH ${CMAKE_CURRENT_BINARY_DIR}/launcher.manifest)
configure_file(resources/launcher.manifest.in ${MANIFEST_PATH} @ONLY)
configure_file(resources/launcher.rc.in ${CMAKE_CURRENT_BINARY_DIR}/launcher.rc @ONLY)
# The resource compiler reports no dependencies: the manifest it embeds is named here.
set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/launcher.rc PROPERTIES OBJECT_DEPENDS ${MANIFEST_PATH})

add_executable(launcher WIN32 launcher/main_win.cpp launcher/cxx_runtime_win.cpp ${CMAKE_CURRENT_BINARY_DIR}/launcher.rc)
target_link_libraries(launcher PRIVATE launcher_core)
set_target_properties(launcher PROPERTIES OUTPUT_NAME launcher-${QARVO_ARCH}
  CXX_COMPILER_LAUNCHER ${QARVO_STUB_COMPILER_LAUNCHER})
target_compile_options(launcher PRIVATE ${QARVO_STUB_COMPILE_OPTIONS})
# Hardened as security reviews expect: loaded at a random address (so the
# base relocations stay in the image, in .reloc after .rsrc; qarvo-build moves
# them when it rewrites the resources), a 64-bit address space on x64, no
# executable data, aware of terminal servers. --gc-sections drops what
# nothing reaches; debug sections are stripped. The link map shows what each
# library adds (scripts/link-map-sizes.py).
target_link_options(launcher PRIVATE -s -Wl,--gc-sections
  -Wl,--dynamicbase,--nxcompat,--tsaware -Wl,-Map=${CMAKE_CURRENT_BINARY_DIR}/launcher-${QARVO_ARCH}.map)
if(QARVO_ARCH STREQUAL "x64")
  target_link_options(launcher PRIVATE -Wl,--high-entropy-va)
endif()
# The component "example" is what scripts/run-example.sh builds and starts.
install(TARGETS launcher RUNTIME DESTINATION stubs COMPONENT example)

# qarvo-build for Windows, a console program beside the stubs as on the host.
if(QARVO_ARCH STREQUAL "x64")
  include(cmake/builder.cmake)
  # toml++ is header-only: a directory that holds it alone, rather than all
  # of the host's /usr/include.
  set(QARVO_TOML_INCLUDE /usr/include/toml++ CACHE PATH "toml++ headers (Debian's libtomlplusplus-dev)")
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/toml-include)
  file(CREATE_LINK ${QARVO_TOML_INCLUDE} ${CMAKE_BINARY_DIR}/toml-include/toml++ SYMBOLIC)
  # zlib of MinGW-w64 (Debian's libz-mingw-w64-dev), linked statically.
  find_library(QARVO_MINGW_ZLIB NAMES libz.a REQUIRED)
  find_path(QARVO_MINGW_ZLIB_INCLUDE zlib.h REQUIRED)
  qarvo_builder_libraries("" qarvo_portable)
  target_compile_definitions(builder_common INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX)
  target_include_directories(builder_project PRIVATE ${QARVO_MINGW_ZLIB_INCLUDE})
  target_include_directories(builder_project SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/toml-include)
  target_link_libraries(builder_project PUBLIC ${QARVO_MINGW_ZLIB})
  target_link_libraries(builder_host PUBLIC shell32)
  add_executable(qarvo-build builder/main.cpp builder/help.cpp)
  target_link_libraries(qarvo-build PRIVATE builder_lib)
  target_link_options(qarvo-build PRIVATE -s)
  install(TARGETS qarvo-build RUNTIME DESTINATION bin)
endif()

# Test helper: reports an executable's resources through the Win32 APIs.
add_executable(resprobe testing/resprobe/resprobe_win.cpp)
target_link_options(resprobe PRIVATE -municode)
target_link_libraries(resprobe PRIVATE user32 gdi32 version shell32)
set_target_properties(resprobe PROPERTIES OUTPUT_NAME resprobe-${QARVO_ARCH})
target_include_directories(resprobe PRIVATE ${PROJECT_SOURCE_DIR})
install(TARGETS resprobe RUNTIME DESTINATION testing)

# Win32-layer tests, run under Wine.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.cpp)
# Portable code whose machine-specific paths only the Windows builds take.
list(APPEND WIN_TEST_SOURCES ${PROJECT_SOURCE_DIR}/tests/unit/scramble_test.cpp)
add_executable(win_tests ${WIN_TEST_SOURCES})
target_link_libraries(win_tests PRIVATE launcher_core gtest gtest_main shell32)

# Test helpers that run under Wine beside the launcher.
add_executable(msgbox-probe testing/tools/msgbox_probe.cpp)
target_include_directories(msgbox-probe PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(msgbox-probe PRIVATE user32)
install(TARGETS msgbox-probe RUNTIME DESTINATION testing/tools/${QARVO_ARCH})
add_executable(window-probe testing/tools/window_probe.cpp)
target_include_directories(window-probe PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(window-probe PRIVATE user32 gdi32)
install(TARGETS window-probe RUNTIME DESTINATION testing/tools/${QARVO_ARCH})
add_executable(jvm-threads-probe testing/tools/jvm_threads_probe.cpp)
target_include_directories(jvm-threads-probe PRIVATE ${PROJECT_SOURCE_DIR})
install(TARGETS jvm-threads-probe RUNTIME DESTINATION testing/tools/${QARVO_ARCH})

# The fake Java runtime of the tests.
include(testing/fakejre/jni_slot_names.cmake)
add_library(fakejre_common STATIC testing/fakejre/fake_common.cpp)
target_include_directories(fakejre_common PUBLIC ${PROJECT_SOURCE_DIR})
add_executable(fake-java testing/fakejre/java_exe.cpp)
set_target_properties(fake-java PROPERTIES OUTPUT_NAME java)
target_link_libraries(fake-java PRIVATE shell32)
add_executable(fake-unpack200 testing/fakejre/unpack200_exe.cpp)
set_target_properties(fake-unpack200 PROPERTIES OUTPUT_NAME unpack200)
target_link_libraries(fake-unpack200 PRIVATE shell32)
# The runtime's support library in bin\, which jvm.dll imports.
add_library(fake-jre-base SHARED testing/fakejre/base_dll.cpp)
target_include_directories(fake-jre-base PRIVATE ${PROJECT_SOURCE_DIR})
set_target_properties(fake-jre-base PROPERTIES OUTPUT_NAME fakejre-base PREFIX "")
set(FAKE_JVM_SOURCES testing/fakejre/jvm_dll.cpp testing/fakejre/jvm_bridge.cpp testing/fakejre/fake_app.cpp)
add_library(fake-jvm SHARED ${FAKE_JVM_SOURCES})
add_library(fake-jvm-nocreate SHARED ${FAKE_JVM_SOURCES})
target_compile_definitions(fake-jvm-nocreate PRIVATE FAKEJRE_NO_CREATE)
set_target_properties(fake-jvm PROPERTIES OUTPUT_NAME jvm PREFIX "")
set_target_properties(fake-jvm-nocreate PROPERTIES OUTPUT_NAME jvm-nocreate PREFIX "")
foreach(target fake-java fake-unpack200 fake-jvm fake-jvm-nocreate)
  target_link_libraries(${target} PRIVATE fakejre_common)
  # Exported names without the stdcall decoration, as GetProcAddress asks for them.
  target_link_options(${target} PRIVATE -Wl,--kill-at)
endforeach()
add_library(fake-splashscreen SHARED testing/fakejre/splashscreen_dll.cpp)
set_target_properties(fake-splashscreen PROPERTIES OUTPUT_NAME splashscreen PREFIX "")
target_link_libraries(fake-splashscreen PRIVATE fakejre_common)
install(TARGETS fake-splashscreen RUNTIME DESTINATION testing/fakejre/${QARVO_ARCH}
                                  LIBRARY DESTINATION testing/fakejre/${QARVO_ARCH})
foreach(target fake-jvm fake-jvm-nocreate)
  target_include_directories(${target} PRIVATE ${FAKEJRE_GENERATED_INCLUDE})
  target_link_libraries(${target} PRIVATE fake-jre-base user32 gdi32)
  # GCC 12 takes the strings of functions that end in ExitProcess for stack objects.
  target_compile_options(${target} PRIVATE -Wno-free-nonheap-object)
endforeach()
install(TARGETS fake-java RUNTIME DESTINATION testing/fakejre/${QARVO_ARCH} COMPONENT example)
install(TARGETS fake-unpack200 RUNTIME DESTINATION testing/fakejre/${QARVO_ARCH})
install(TARGETS fake-jre-base fake-jvm RUNTIME DESTINATION testing/fakejre/${QARVO_ARCH} COMPONENT example
                                       LIBRARY DESTINATION testing/fakejre/${QARVO_ARCH} COMPONENT example)
install(TARGETS fake-jvm-nocreate RUNTIME DESTINATION testing/fakejre/${QARVO_ARCH}
                                  LIBRARY DESTINATION testing/fakejre/${QARVO_ARCH})

# Benchmark floors: the least a program can do for what the launcher does.
foreach(floor jvm copy)
  add_executable(floor-${floor} WIN32 bench/floor_${floor}.cpp)
  target_include_directories(floor-${floor} PRIVATE ${PROJECT_SOURCE_DIR})
  if(floor STREQUAL "copy")
    target_link_libraries(floor-${floor} PRIVATE shell32)
  endif()
  set_target_properties(floor-${floor} PROPERTIES OUTPUT_NAME floor-${floor}-${QARVO_ARCH})
  install(TARGETS floor-${floor} RUNTIME DESTINATION bench)
endforeach()
add_executable(floor-jvm-gui WIN32 bench/floor_jvm.cpp ${CMAKE_CURRENT_BINARY_DIR}/launcher.rc)
target_include_directories(floor-jvm-gui PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(floor-jvm-gui PRIVATE FLOOR_GUI)
target_link_libraries(floor-jvm-gui PRIVATE comctl32)
set_target_properties(floor-jvm-gui PROPERTIES OUTPUT_NAME floor-jvm-gui-${QARVO_ARCH})
install(TARGETS floor-jvm-gui RUNTIME DESTINATION bench)
