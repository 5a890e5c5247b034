# What the host build and the Windows (x64) build of qarvo-build share: its
# libraries, one per folder of builder/, each linking only the ones below it,
# and the files generated for them.
#   host      files, the partial output, signals, the command line's arguments
#   pe        PE image, resource section, version information, manifest, images
#   project   reading a project file, its keys and checks, TOML text, the starter, the schema
#   output    the application's resources and the executable writer, the stub
#   inspect   reading a built executable back, extracting, rendering it as a project
if(WIN32)
  set(BUILDER_SYSTEM_SOURCE builder/host/system_win.cpp)
else()
  set(BUILDER_SYSTEM_SOURCE builder/host/system_posix.cpp)
endif()
set(BUILDER_HOST_SOURCES
  builder/host/arguments.cpp
  builder/host/file_source.cpp
  builder/host/output_file.cpp
  builder/host/progress.cpp
  ${BUILDER_SYSTEM_SOURCE}
)
set(BUILDER_PE_SOURCES
  builder/pe/images.cpp
  builder/pe/manifest.cpp
  builder/pe/pe_image.cpp
  builder/pe/resource_section.cpp
  builder/pe/version_info.cpp
)
set(BUILDER_PROJECT_SOURCES
  builder/project/array_tables.cpp
  builder/project/checks.cpp
  builder/project/cross_keys.cpp
  builder/project/jar_file.cpp
  builder/project/jar_manifest_options.cpp
  builder/project/json_text.cpp
  builder/project/key_reader.cpp
  builder/project/keys.cpp
  builder/project/launch_keys.cpp
  builder/project/project.cpp
  builder/project/project_paths.cpp
  builder/project/resource_tables.cpp
  builder/project/schema.cpp
  builder/project/service_rules.cpp
  builder/project/starter.cpp
  builder/project/suggest.cpp
  builder/project/text_codec.cpp
  builder/project/toml_text.cpp
)
set(BUILDER_OUTPUT_SOURCES
  builder/output/resource_build.cpp
  builder/output/stub.cpp
  builder/output/writer.cpp
)
set(BUILDER_INSPECT_SOURCES
  builder/inspect/extract.cpp
  builder/inspect/read.cpp
  builder/inspect/render.cpp
)
set(BUILDER_SOURCES ${BUILDER_HOST_SOURCES} ${BUILDER_PE_SOURCES} ${BUILDER_PROJECT_SOURCES}
                    ${BUILDER_OUTPUT_SOURCES} ${BUILDER_INSPECT_SOURCES})

# The generic launcher's manifest, compiled into the builder as a string.
set(QARVO_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(READ ${PROJECT_SOURCE_DIR}/resources/launcher.manifest.in QARVO_MANIFEST_TEXT)
file(WRITE ${QARVO_GENERATED}/default_manifest.inc.new "R\"manifest(${QARVO_MANIFEST_TEXT})manifest\"\n")
configure_file(${QARVO_GENERATED}/default_manifest.inc.new ${QARVO_GENERATED}/default_manifest.inc COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/launcher.manifest.in)

# The builder's libraries over a portable library (plain or sanitized), named
# builder_<folder><suffix>; builder_lib<suffix> stands for all of them.
# Options common to every one of them go to builder_common<suffix>.
function(qarvo_builder_libraries suffix portable)
  add_library(builder_common${suffix} INTERFACE)
  target_link_libraries(builder_common${suffix} INTERFACE ${portable})
  add_library(builder_host${suffix} STATIC ${BUILDER_HOST_SOURCES})
  target_link_libraries(builder_host${suffix} PUBLIC builder_common${suffix})
  add_library(builder_pe${suffix} STATIC ${BUILDER_PE_SOURCES})
  target_include_directories(builder_pe${suffix} PRIVATE ${QARVO_GENERATED})
  target_link_libraries(builder_pe${suffix} PUBLIC builder_common${suffix})
  add_library(builder_project${suffix} STATIC ${BUILDER_PROJECT_SOURCES})
  target_link_libraries(builder_project${suffix} PUBLIC builder_pe${suffix} builder_host${suffix})
  add_library(builder_output${suffix} STATIC ${BUILDER_OUTPUT_SOURCES})
  target_link_libraries(builder_output${suffix} PUBLIC builder_project${suffix})
  add_library(builder_inspect${suffix} STATIC ${BUILDER_INSPECT_SOURCES})
  target_link_libraries(builder_inspect${suffix} PUBLIC builder_project${suffix})
  add_library(builder_lib${suffix} INTERFACE)
  target_link_libraries(builder_lib${suffix} INTERFACE builder_output${suffix} builder_inspect${suffix})
endfunction()
