# Cross build of the launcher (and its Win32 tests) with MinGW-w64.
if(NOT QARVO_ARCH)
  message(FATAL_ERROR "use cmake/mingw-i686.cmake or cmake/mingw-x86_64.cmake as the toolchain file")
endif()

add_compile_options(-Wall -Wextra -Wno-cast-function-type)
include_directories(SYSTEM ${QARVO_JDK_HOME}/include ${PROJECT_SOURCE_DIR}/cmake/jni/win32)
add_link_options(-static -static-libgcc -static-libstdc++)

add_library(qarvo_portable STATIC ${QARVO_PORTABLE_SOURCES})
target_include_directories(qarvo_portable PUBLIC ${PROJECT_SOURCE_DIR})

# The Win32 layer, less the entry point, so that the tests can link it.
add_library(launcher_core STATIC
  files/fileutil_win.cpp
  files/tempdir_win.cpp
  launch/class_path_win.cpp
  launch/launch_win.cpp
  launch/variables_win.cpp
  launch/vm_options_win.cpp
  launcher/config_load_win.cpp
  launcher/early_win.cpp
  launcher/locale_win.cpp
  launcher/messages_win.cpp
  launcher/pending_stages_win.cpp
  launcher/win_text.cpp
  log/diaglog_win.cpp
)
target_link_libraries(launcher_core PUBLIC qarvo_portable comctl32 shell32 ole32 user32 gdi32 advapi32)

if(QARVO_ARCH STREQUAL "x86")
  set(MANIFEST_ARCH X86)
else()
  set(MANIFEST_ARCH amd64)
endif()
set(MANIFEST_PATH ${CMAKE_CURRENT_BINARY_DIR}/launcher.manifest)
configure_file(resources/launcher.manifest.in ${MANIFEST_PATH} @ONLY)
configure_file(resources/launcher.rc.in ${CMAKE_CURRENT_BINARY_DIR}/launcher.rc @ONLY)

add_executable(launcher WIN32 launcher/main_win.cpp ${CMAKE_CURRENT_BINARY_DIR}/launcher.rc)
target_link_libraries(launcher PRIVATE launcher_core)
set_target_properties(launcher PROPERTIES OUTPUT_NAME launcher-${QARVO_ARCH})
# The resource section is the executable's last section; strip debug sections after it.
target_link_options(launcher PRIVATE -s)
install(TARGETS launcher RUNTIME DESTINATION stubs)

# Win32-layer tests, run under Wine.
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)
file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.cpp)
add_executable(win_tests ${WIN_TEST_SOURCES})
target_link_libraries(win_tests PRIVATE launcher_core gtest gtest_main)

# Test helpers that run under Wine beside the launcher.
add_executable(msgbox-probe testing/tools/msgbox_probe.cpp)
target_include_directories(msgbox-probe PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(msgbox-probe PRIVATE user32)
install(TARGETS msgbox-probe RUNTIME DESTINATION testing/tools/${QARVO_ARCH})

add_subdirectory(testing/fakejre)
