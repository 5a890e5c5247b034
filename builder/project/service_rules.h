// The rules of the [service] keys that need more than a key's type: a
// service's name, its stop method, log sizes with units, and what of the
// runtime search a service's account can see.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "config/search_entries.h"

// A service name: letters, digits, "-", "_" and "." (kServiceNameCharacters),
// 1 to kMaxServiceNameLength characters. why completes "key: ...".
bool checkServiceName(const std::string& name, std::string& why);
// The class and the method that stop the application, as
// "com.example.Main.stop": Java identifiers separated by dots, at least a
// class and a method.
bool checkStopMethod(const std::string& value, std::string& why);

// The entries the builder writes with every service name of [service], and
// their values where the project gives none: the display name (the
// application's name, else the service's), start, account, stop timeout,
// log size and number of logs kept.
std::vector<std::pair<int, std::string>> serviceDefaults(const std::string& displayName);

// A size as a project writes it: "<n>" bytes, or "<n> KiB", "<n> MiB",
// "<n> GiB" (the blank may be left out). A size beyond what a long long holds
// gives LLONG_MAX. False for any other text.
bool parseByteSize(const std::string& text, long long& bytes);
// The shortest text parseByteSize reads back as bytes: "10 MiB", "65537".
std::string byteSizeText(long long bytes);

// Whether the account a service runs as finds what a search entry looks at.
// A service runs outside the installing user's session, with its account's
// own environment, PATH and HKEY_CURRENT_USER: it sees what lies under the
// executable, fixed paths outside user profiles, locations named by
// machine-wide variables (${ProgramFiles}, ...), the machine-wide registry
// ("registry" reads HKEY_LOCAL_MACHINE too) and the machine-wide install
// folders ("well-known" searches Program Files too). An "env:" entry, "path",
// and locations in a user's profile or named by other variables are the
// installing user's.
bool serviceSeesSearchEntry(const SearchEntry& entry);

struct ServiceSearchView {
    bool reliable = false;              // some place the service's account finds
    std::vector<std::string> userOnly;  // the entries it may not find, as "env:JAVA_HOME"
};
// What a service's search rests on: the stored search sequence (entry 128),
// and the runtimes earlier installations registered, which the launcher also
// reads from HKEY_LOCAL_MACHINE when the executable has an installation id.
ServiceSearchView serviceSearchView(const std::string& searchSequence, bool hasInstallationId);
