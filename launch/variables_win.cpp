#include "jvm/jvm_session.h"
#include "launch/variables.h"

#include "files/fileutil.h"
#include "files/tempdir.h"
#include "log/diaglog.h"
#include "platform/win32.h"

namespace {

std::vector<std::string> environmentBlock() {
    std::vector<std::string> entries;
    char* block = GetEnvironmentStrings();
    if (block == nullptr) return entries;
    for (const char* entry = block; *entry != '\0'; entry += std::char_traits<char>::length(entry) + 1)
        entries.emplace_back(entry);
    FreeEnvironmentStringsA(block);
    return entries;
}

}  // namespace

void expandVariables(std::string& text) {
    // Most configured texts name no variable; gathering the values copies the
    // whole environment block and asks for the executable's directory.
    if (!mayHoldVariables(text)) return;
    VariableValues values{makeAbsolute(""), extractionDirectory(), jvmHome()};
    const bool complete = expandVariablesWith(text, values, environmentBlock(),
                        [](const std::string& key, const std::string& value, const std::string& now) {
                            logInfo("expanding %s to %s in %s.", key.c_str(), value.c_str(), now.c_str());
                        });
    if (!complete) logError("expansion stopped at %u bytes in %.200s", static_cast<unsigned>(kMaxExpandedLength), text.c_str());
}
