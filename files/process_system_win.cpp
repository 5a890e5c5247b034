#include "files/process_system.h"

#include "files/fileutil.h"
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/registry.h"
#include "platform/win_text.h"

namespace {

HKEY rootKey(RegistryRoot root) { return root == RegistryRoot::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

class ProcessSystem : public SystemQueries {
public:
    void log(const std::string& line) override { logInfo("%s", line.c_str()); }
    bool fileExists(const std::string& path) override { return ::fileExists(path); }

    std::vector<std::string> listFiles(const std::string& directory, const std::string& extension) override {
        return ::listFiles(directory, extension);
    }

    std::vector<std::string> subdirectories(const std::string& directory) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA entry;
        UniqueFind find(FindFirstFileA((directory + "\\*").c_str(), &entry));
        if (!find) return names;
        do {
            const std::string name = entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != "." && name != "..")
                names.push_back(name);
        } while (FindNextFileA(find.get(), &entry));
        return names;
    }

    std::optional<std::string> environmentVariable(const std::string& name) override {
        std::string value;
        if (!::environmentVariable(name.c_str(), value)) return std::nullopt;
        return value;
    }

    std::optional<std::string> registryValue(RegistryRoot root, const std::string& key,
                                             const std::string& name) override {
        std::string value;
        if (!readRegistryValue(rootKey(root), key, name.c_str(), value)) return std::nullopt;
        return value;
    }

    std::vector<std::string> registrySubkeys(RegistryRoot root, const std::string& key) override {
        return registrySubkeyNames(rootKey(root), key);
    }
};

}  // namespace

SystemQueries& processSystem() {
    static ProcessSystem system;
    return system;
}
