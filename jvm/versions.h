// Java version texts: reading them from a runtime's -version banner and
// comparing them with the application's limits.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The numeric components of a version text, split at ".", "_", "-" and "+";
// the sequence ends at the first component that does not start with a digit
// ("ea", "beta2"). A leading "1." followed by a number of 2 or more is the
// old naming and is dropped: 1.8.0_401 is 8.0.401.
std::vector<long long> versionComponents(const std::string& version);

// -1, 0 or 1 as a is older than, the same as or newer than b; a version that
// is a shorter prefix of the other is older.
int compareVersions(const std::string& a, const std::string& b);

// A beta, early-access or release-candidate text ("beta", "ea" or "rc" anywhere).
bool isPreRelease(const std::string& version);

// The minimum bounds the first n components (n being the minimum's count; a
// version with fewer is older); the maximum bounds a prefix (1.6 and 6 accept
// every 6.x and refuse 7). Empty limits bound nothing.
bool versionWithinLimits(const std::string& version, const std::string& minimum, const std::string& maximum);

// The same over the shorter of the two lengths, for versions that only name a
// registry entry (1.6 is in range for the minimum 1.6.0_10).
bool versionNameInRange(const std::string& version, const std::string& minimum, const std::string& maximum);

// The version between the quotes of the first line that starts with
// java version " or openjdk version ", or nothing.
std::optional<std::string> versionFromBanner(const std::string& output);
