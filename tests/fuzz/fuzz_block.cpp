// The configuration block reader, from the PE section walk to the last group,
// on arbitrary bytes: it must fail cleanly, never read or allocate wildly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "config/config.h"
#include "format/block.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (bool asExecutable : {true, false}) {
        MemorySource source(bytes);
        block::BlockReader reader(source, [](const std::string&) {});
        uint64_t offset = 0;
        if (asExecutable && !reader.locateAppendedData(&offset)) continue;
        block::RawBlock raw;
        if (reader.readBlock(raw)) {
            // What was read must encode back to the bytes it came from.
            const std::string again = block::encodeBlock(raw);
            if (again.size() > source.position()) __builtin_trap();
            ConfigTables tables;
            applyBlock(raw, "de_CH", tables);
        }
    }
    return 0;
}
