#include "builder/project/service_rules.h"

#include <cctype>
#include <climits>

#include "builder/project/checks.h"
#include "builder/project/keys.h"
#include "builder/project/launch_keys.h"
#include "format/config_ids.h"

namespace {

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Variables every account has with the same value, and the launcher's own.
bool machineWideVariable(const std::string& name) {
    static const char* const kMachineWide[] = {
        "programfiles",       "programfiles(x86)",       "programw6432", "commonprogramfiles",
        "commonprogramfiles(x86)", "commonprogramw6432", "programdata",  "allusersprofile",
        "public",             "systemroot",              "systemdrive",  "windir"};
    const std::string key = lower(name);
    if (key.rfind("qarvo_", 0) == 0 || key.rfind("morvantic_", 0) == 0 || key.rfind("launcher:", 0) == 0) return true;
    for (const char* known : kMachineWide)
        if (key == known) return true;
    return false;
}

// A location that depends on who runs the launcher: a ${NAME} of the user's
// environment, or a path in a user's profile ("C:\Users\me\.jdks\...").
bool userLocation(const std::string& location) {
    for (size_t start = location.find("${"); start != std::string::npos; start = location.find("${", start + 2)) {
        const size_t end = location.find('}', start + 2);
        if (end == std::string::npos) break;
        if (!machineWideVariable(location.substr(start + 2, end - start - 2))) return true;
    }
    std::string path = lower(location);
    for (char& c : path)
        if (c == '/') c = '\\';
    for (const char* profiles : {"\\users\\", "\\documents and settings\\"}) {
        const std::string prefix = profiles;
        if (path.size() < 2 || path[1] != ':' || path.compare(2, prefix.size(), prefix) != 0) continue;
        const std::string rest = path.substr(2 + prefix.size());  // the profile's folder and below
        return rest != "public" && rest.rfind("public\\", 0) != 0;
    }
    return false;
}

// The entry as the readable search names it: "env:JAVA_HOME".
std::string entryWords(const SearchEntry& entry) {
    for (const SearchKind& kind : searchKinds())
        if (kind.letter == entry.letter) return kind.takesValue ? std::string(kind.name) + ":" + entry.location : kind.name;
    return "directory:" + entry.location;  // R, the other letter of a directory
}

}  // namespace

bool checkServiceName(const std::string& name, std::string& why) {
    if (!name.empty() && name.size() <= kMaxServiceNameLength &&
        name.find_first_not_of(kServiceNameCharacters) == std::string::npos)
        return true;
    why = "expected a service name of letters, digits, -, _ and . (1 to " + std::to_string(kMaxServiceNameLength) +
          " characters), as \"hello-service\", not \"" + (name.size() > 40 ? name.substr(0, 40) + "..." : name) + "\"";
    return false;
}

bool checkStopMethod(const std::string& value, std::string& why) {
    if (isJavaBinaryName(value) && value.find('.') != std::string::npos) return true;
    why = "expected the class and its public static method, as \"com.example.Main.stop\"";
    return false;
}

std::vector<std::pair<int, std::string>> serviceDefaults(const std::string& displayName) {
    namespace C = ConfigId;
    return {{C::ServiceDisplayName, displayName}, {C::ServiceStart, "manual"},        {C::ServiceAccount, "local-service"},
            {C::ServiceStopTimeout, "20"},        {C::ServiceLogMaxSize, "10485760"}, {C::ServiceLogKeep, "5"}};
}

bool parseByteSize(const std::string& text, long long& bytes) {
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == 0) return false;
    std::string unit = text.substr(digits);
    if (!unit.empty() && unit[0] == ' ') unit.erase(0, 1);
    const int shift = unit.empty() ? 0 : unit == "KiB" ? 10 : unit == "MiB" ? 20 : unit == "GiB" ? 30 : -1;
    if (shift < 0 || (unit.empty() && digits != text.size())) return false;
    long long number = 0;
    for (size_t i = 0; i < digits; ++i) {
        const int digit = text[i] - '0';
        number = number > (LLONG_MAX - digit) / 10 ? LLONG_MAX : number * 10 + digit;
    }
    bytes = number > (LLONG_MAX >> shift) ? LLONG_MAX : number << shift;
    return true;
}

std::string byteSizeText(long long bytes) {
    for (const auto& [shift, unit] : {std::pair<int, const char*>{30, "GiB"}, {20, "MiB"}, {10, "KiB"}})
        if (bytes > 0 && bytes % (1LL << shift) == 0) return std::to_string(bytes >> shift) + " " + unit;
    return std::to_string(bytes);
}

bool serviceSeesSearchEntry(const SearchEntry& entry) {
    switch (entry.type) {
        case LocationType::Bundled:
        case LocationType::Directory:
        case LocationType::Relative:
            return !userLocation(entry.location);
        case LocationType::Registry:
        case LocationType::WellKnown:
            return true;
        case LocationType::SearchPath:
        case LocationType::EnvironmentVariable:
        case LocationType::None:
            break;
    }
    return false;
}

ServiceSearchView serviceSearchView(const std::string& searchSequence, bool hasInstallationId) {
    ServiceSearchView view;
    view.reliable = hasInstallationId;
    for (const SearchEntry& entry : parseSearchSequence(searchSequence)) {
        if (entry.type == LocationType::None) continue;  // the launcher skips it
        if (serviceSeesSearchEntry(entry))
            view.reliable = true;
        else
            view.userOnly.push_back(entryWords(entry));
    }
    return view;
}
