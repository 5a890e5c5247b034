// qarvo-build init's reading of a jar: the zip entry, the manifest and the
// starter project made from it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/project/jar_file.h"
#include "builder/project/project.h"
#include "builder/project/starter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(std::string(reinterpret_cast<const char*>(data), size));
    std::string manifest, why;
    if (!readZipEntry(source, "META-INF/MANIFEST.MF", manifest, why)) return 0;
    std::vector<std::string> warnings;
    const std::string text = starterProject("app.jar", manifestAttributes(manifest), "/docs", "", warnings);
    BuildPlan plan;
    std::string error;
    parseProject(text, "app.toml", "/base", plan, error);
    return 0;
}
