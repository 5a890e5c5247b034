# What the host build and the Windows (x64) build of qarvo-build share: its
# sources and the files generated for it.
set(BUILDER_SOURCES
  builder/checks.cpp
  builder/file_source.cpp
  builder/images.cpp
  builder/inspect.cpp
  builder/jar_file.cpp
  builder/keys.cpp
  builder/launch_keys.cpp
  builder/starter.cpp
  builder/manifest.cpp
  builder/pe_image.cpp
  builder/project.cpp
  builder/resource_build.cpp
  builder/resource_section.cpp
  builder/text_codec.cpp
  builder/version_info.cpp
  builder/writer.cpp
)

# The generic launcher's manifest, compiled into the builder as a string.
set(QARVO_GENERATED ${CMAKE_BINARY_DIR}/generated)
file(READ ${PROJECT_SOURCE_DIR}/resources/launcher.manifest.in QARVO_MANIFEST_TEXT)
file(WRITE ${QARVO_GENERATED}/default_manifest.inc.new "R\"manifest(${QARVO_MANIFEST_TEXT})manifest\"\n")
configure_file(${QARVO_GENERATED}/default_manifest.inc.new ${QARVO_GENERATED}/default_manifest.inc COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/launcher.manifest.in)
