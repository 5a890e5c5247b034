// What the portable rules ask of the machine they run on: its files,
// environment and registry, and the diagnostic log. The Win32 layer answers
// for this process (files/process_system.h); the host tests answer from
// tables.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class RegistryRoot { User, Machine };

class SystemQueries {
public:
    virtual ~SystemQueries() = default;
    virtual void log(const std::string& line) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // Names (without directory) of directory\*.extension, in listing order.
    virtual std::vector<std::string> listFiles(const std::string& directory, const std::string& extension) = 0;
    // Names of the directories in directory, without "." and "..".
    virtual std::vector<std::string> subdirectories(const std::string& directory) = 0;
    // The variable's value; none when it is not defined.
    virtual std::optional<std::string> environmentVariable(const std::string& name) = 0;
    // A string value up to its first NUL; none when the key or the value is missing.
    virtual std::optional<std::string> registryValue(RegistryRoot root, const std::string& key,
                                                     const std::string& name) = 0;
    // The names of a key's subkeys; none when the key cannot be opened.
    virtual std::vector<std::string> registrySubkeys(RegistryRoot root, const std::string& key) = 0;
};
