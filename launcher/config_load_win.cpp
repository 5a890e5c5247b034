#include <string>

#include "files/fileutil.h"
#include "format/config_ids.h"
#include "launcher/config.h"
#include "platform/handle.h"
#include "launcher/locale_table.h"
#include "launcher/own_executable.h"
#include "launcher/messages.h"
#include "log/diaglog.h"

UniqueFile openOwnExecutable() {
    const std::string& path = executablePath();
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError("Could not open %s", path.c_str());
        fatalText("Error opening media file. Please move this file to an ascii-only path like c:\\");
    }
    return file;
}

void loadEmbeddedConfig() {
    UniqueFile file = openOwnExecutable();
    FileSource source(file.get());
    block::BlockReader reader(source, [](const std::string& line) { logInfo("%s", line.c_str()); });
    block::RawBlock raw;
    uint64_t start = 0;
    const bool ok = reader.locateAppendedData(&start) && reader.readBlock(raw);
    ConfigTables& tables = configTables();
    applyBlock(raw, raw.groups.empty() ? nullptr : currentLocaleCode(), tables);
    if (!ok) fatalText(block::failureText(reader.failure()));
    tables.endPosition = source.position();
    file.reset();
    const int type = configInt(ConfigId::ExecutableType);
    if (type != 1 && type != 5) disableMessageBoxes();
}
