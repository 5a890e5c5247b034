// qarvo-build's project reader on arbitrary text, and inspect's rendering of
// whatever it accepted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "builder/inspect/render.h"
#include "builder/project/project.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    BuildPlan plan;
    std::string error;
    if (!parseProject(text, "fuzz.toml", "/base", plan, error)) return 0;
    InspectedExecutable exe;
    exe.block = plan.block;
    std::vector<std::string> warnings;
    const std::string rendered = renderProject(exe, "", warnings);
    BuildPlan again;
    if (!parseProject(rendered, "again.toml", "/base", again, error)) __builtin_trap();
    if (block::encodeBlock(again.block) != block::encodeBlock(plan.block)) __builtin_trap();
    return 0;
}
