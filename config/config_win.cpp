#include "config/config.h"

#include <string>

#include "config/locale_table.h"
#include "files/own_executable.h"
#include "log/diaglog.h"
#include "platform/handle.h"

Outcome loadEmbeddedConfig(ConfigTables& tables) {
    FileSource* source = ownExecutableSource();
    if (source == nullptr) return ownExecutableUnreadable();
    block::BlockReader reader(*source, [](const std::string& line) { logInfo("%s", line.c_str()); });
    block::RawBlock raw;
    uint64_t start = 0;
    const bool ok = reader.locateAppendedData(&start) && reader.readBlock(raw);
    applyBlock(raw, raw.groups.empty() ? nullptr : currentLocaleCode(), tables);
    if (!ok) return endWithText(block::failureText(reader.failure()));
    tables.endPosition = source->position();
    return std::nullopt;
}
