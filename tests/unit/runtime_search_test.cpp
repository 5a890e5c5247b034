// The runtime search over a machine described by tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <set>

#include "jvm/runtime_search.h"
#include "jvm/versions.h"

namespace {

using Root = RegistryRoot;

// A machine: files, variables, registry values and the version each java
// executable reports.
class TableProbe : public SystemQueries, public RuntimeProbe {
public:
    TableProbe() : RuntimeProbe(static_cast<SystemQueries&>(*this)) {}

    std::set<std::string> files;
    std::map<std::string, std::string> environment;
    std::map<std::string, std::string> locationFiles;
    std::map<std::tuple<Root, std::string, std::string>, std::string> values;  // root, key, name
    std::map<std::string, std::string> versions;                               // java.exe -> version
    std::map<std::string, std::vector<std::string>> directories;
    std::set<std::string> foreign;  // java.exe of runtimes of the other architecture
    std::vector<std::string> checked;

    // A Java home: bin\java.exe reporting the version.
    void home(const std::string& path, const std::string& version) {
        files.insert(path + "\\bin\\java.exe");
        versions[path + "\\bin\\java.exe"] = version;
    }
    void value(Root root, const std::string& key, const std::string& name, const std::string& text) {
        values[{root, key, name}] = text;
    }

    std::vector<std::string> logged;
    void log(const std::string& line) override { logged.push_back(line); }
    std::optional<std::string> locationFile(const std::string& name) override {
        auto it = locationFiles.find(name);
        return it == locationFiles.end() ? std::nullopt : std::optional(it->second);
    }
    std::string expandVariables(const std::string& text) override { return text; }
    std::string resolvePath(const std::string& path, bool) override { return path; }
    bool unpackFails = false;
    bool preparePackedRuntime(const std::string&) override { return !unpackFails; }
    bool fileExists(const std::string& path) override { return files.count(path) != 0; }
    std::optional<std::string> environmentVariable(const std::string& name) override {
        auto it = environment.find(name);
        return it == environment.end() ? std::nullopt : std::optional(it->second);
    }
    std::optional<std::string> javaOnSearchPath() override { return environmentVariable("(path)"); }
    bool checkJavaExe(std::string& exe, std::string& version, const std::string& minimum, const std::string& maximum,
                      bool) override {
        checked.push_back(exe);
        auto it = versions.find(exe);
        if (it == versions.end()) return false;
        version = it->second;
        return versionWithinLimits(version, minimum, maximum);
    }
    bool ofOwnArchitecture(const std::string& exe) override { return foreign.count(exe) == 0; }
    std::optional<std::string> registryValue(Root root, const std::string& key, const std::string& name) override {
        auto it = values.find({root, key, name});
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    std::vector<std::string> registrySubkeys(Root root, const std::string& parent) override {
        const std::string key = parent.back() == '\\' ? parent.substr(0, parent.size() - 1) : parent;
        std::set<std::string> names;
        for (const auto& [where, text] : values) {
            const std::string& path = std::get<1>(where);
            if (std::get<0>(where) != root || path.size() <= key.size() + 1 || path.compare(0, key.size(), key) != 0 ||
                path[key.size()] != '\\')
                continue;
            names.insert(path.substr(key.size() + 1, path.find('\\', key.size() + 1) - key.size() - 1));
        }
        return {names.begin(), names.end()};
    }
    std::vector<std::string> subdirectories(const std::string& directory) override { return directories[directory]; }
    std::vector<std::string> listFiles(const std::string&, const std::string&) override { return {}; }
};

FoundRuntime search(TableProbe& probe, const std::string& sequence, const std::string& minimum = "",
                    bool is64Bit = true) {
    SearchSettings settings;
    settings.entries = parseSearchSequence(sequence);
    settings.minimum = minimum;
    settings.installationId = "app";
    settings.is64Bit = is64Bit;
    return searchRuntime(probe, settings);
}

// Where each source stands in the order: the first that holds a runtime wins.
struct OrderCase {
    const char* name;
    std::vector<std::string> present;  // preferred, entry, installer, fallback, previous, variable
    JvmSource source;
    const char* executable;
};

class SearchOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(SearchOrderTest, TheFirstSourceWithARuntimeWins) {
    TableProbe probe;
    for (const std::string& source : GetParam().present) {
        if (source == "preferred") {
            probe.locationFiles["\\.morvantic\\pref_jre.cfg"] = "C:\\pref";
            probe.home("C:\\pref", "11");
        } else if (source == "entry") {
            probe.home("C:\\listed", "11");
        } else if (source == "foreign") {
            probe.foreign.insert("jre\\bin\\java.exe");
        } else if (source == "installer") {
            probe.locationFiles["\\.morvantic\\inst_jre.cfg"] = "C:\\inst";
            probe.home("C:\\inst", "11");
        } else if (source == "fallback") {
            probe.home("jre", "1.6");  // outside the limits: only present
        } else if (source == "previous") {
            probe.value(Root::Machine, "SOFTWARE\\korvath\\morvantic\\installations", "app", "C:\\old;C:\\prev");
            probe.home("C:\\prev\\jre", "11");
        } else if (source == "unpackFails") {
            probe.unpackFails = true;
        } else if (source == "variable") {
            probe.environment["QARVO_JAVA_HOME"] = "C:/qarvo";
            probe.home("C:\\qarvo", "11");
        }
    }
    const FoundRuntime found = search(probe, "AC:\\listed;Bjre", "9");
    EXPECT_EQ(GetParam().source, found.source);
    EXPECT_EQ(GetParam().executable, found.javaExecutable);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SearchOrderTest,
    ::testing::Values(
        OrderCase{"preferredFirst", {"preferred", "entry", "installer"}, JvmSource::Directory, "C:\\pref\\bin\\java.exe"},
        OrderCase{"entryBeforeInstaller", {"entry", "installer"}, JvmSource::Directory, "C:\\listed\\bin\\java.exe"},
        OrderCase{"installerBeforeFallback", {"installer", "fallback"}, JvmSource::Directory, "C:\\inst\\bin\\java.exe"},
        OrderCase{"fallbackTakesAnyVersion", {"fallback", "previous"}, JvmSource::Directory, "jre\\bin\\java.exe"},
        OrderCase{"fallbackNotOfTheOtherArchitecture", {"fallback", "foreign", "previous"}, JvmSource::Registry,
                  "C:\\prev\\jre\\bin\\java.exe"},
        OrderCase{"previousInstallation", {"previous", "variable"}, JvmSource::Registry, "C:\\prev\\jre\\bin\\java.exe"},
        OrderCase{"variableLast", {"variable"}, JvmSource::EnvironmentVariable, "C:\\qarvo\\bin\\java.exe"},
        OrderCase{"nothing", {}, JvmSource::NotFound, ""},
        OrderCase{"unpackFailureStopsTheSearch", {"preferred", "entry", "unpackFails"}, JvmSource::UnpackFailed, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Each vendor's installer layout, in either root.
struct VendorCase {
    const char* name;
    Root root;
    const char* key;
    const char* value;
    const char* version;  // as the key names it
};

class VendorKeyTest : public ::testing::TestWithParam<VendorCase> {};

TEST_P(VendorKeyTest, TheRegistryEntryFindsTheHome) {
    TableProbe probe;
    probe.value(GetParam().root, GetParam().key, GetParam().value, "C:\\Vendor\\jdk\\");
    probe.home("C:\\Vendor\\jdk", "17.0.9");
    const std::vector<RegisteredHome> homes = vendorRegistryHomes(probe);
    ASSERT_EQ(1u, homes.size());
    EXPECT_EQ(GetParam().version, homes[0].version);
    EXPECT_EQ("C:\\Vendor\\jdk", homes[0].home);
    const FoundRuntime found = search(probe, "Y", "17");
    EXPECT_EQ(JvmSource::Registry, found.source);
    EXPECT_EQ("C:\\Vendor\\jdk\\bin\\java.exe", found.javaExecutable);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, VendorKeyTest,
    ::testing::Values(
        VendorCase{"adoptium", Root::Machine, "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "17.0.9.9"},
        VendorCase{"adoptiumUser", Root::User, "SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.9.9\\hotspot\\MSI", "Path", "17.0.9.9"},
        VendorCase{"adoptOpenJdk", Root::Machine, "SOFTWARE\\AdoptOpenJDK\\JDK\\17.0.1.12\\hotspot\\MSI", "Path", "17.0.1.12"},
        VendorCase{"eclipseFoundation", Root::Machine, "SOFTWARE\\Eclipse Foundation\\JDK\\17.0.2.8\\hotspot\\MSI", "Path", "17.0.2.8"},
        VendorCase{"microsoft", Root::Machine, "SOFTWARE\\Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", "Path", "17.0.9.8"},
        VendorCase{"semeru", Root::User, "SOFTWARE\\Semeru\\JDK\\17.0.9.9\\openj9\\MSI", "Path", "17.0.9.9"},
        VendorCase{"zulu", Root::Machine, "SOFTWARE\\Azul Systems\\Zulu\\zulu-17", "InstallationPath", "17"},
        VendorCase{"zuluJre32", Root::Machine, "SOFTWARE\\Azul Systems\\Zulu 32-bit\\zulu-17-jre", "InstallationPath", "17"},
        VendorCase{"liberica", Root::Machine, "SOFTWARE\\BellSoft\\Liberica\\jdk-17", "InstallationPath", "17"},
        VendorCase{"sapMachine", Root::Machine, "SOFTWARE\\SapMachine\\JDK\\17", "JavaHome", "17"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VendorKeys, TheNewestWithinTheLimitsWinsComparedByNumber) {
    TableProbe probe;
    const std::string adoptium = "SOFTWARE\\Eclipse Adoptium\\JDK\\";
    for (const char* version : {"8.0.392.8", "17.0.9.9", "21.0.1.12", "1.8.0.212"}) {
        probe.value(Root::Machine, adoptium + version + "\\hotspot\\MSI", "Path", std::string("C:\\jdk") + version);
        probe.home(std::string("C:\\jdk") + version, version);
    }
    // 21 is outside the maximum; 17.0.9.9 is newer than 8.0.392.8 and 1.8.0.212.
    SearchSettings settings;
    settings.entries = parseSearchSequence("Y");
    settings.maximum = "17";
    EXPECT_EQ("C:\\jdk17.0.9.9\\bin\\java.exe", searchRuntime(probe, settings).javaExecutable);
    // A JRE does not count when a JDK is required; 1.8 sorts as 8.
    probe.value(Root::Machine, "SOFTWARE\\Eclipse Adoptium\\JRE\\17.0.10.7\\hotspot\\MSI", "Path", "C:\\jre17");
    probe.home("C:\\jre17", "17.0.10");
    probe.files.insert("C:\\jdk17.0.9.9\\bin\\javac.exe");
    settings.jdkRequired = true;
    EXPECT_EQ("C:\\jdk17.0.9.9\\bin\\java.exe", searchRuntime(probe, settings).javaExecutable);
    settings.jdkRequired = false;
    EXPECT_EQ("C:\\jre17\\bin\\java.exe", searchRuntime(probe, settings).javaExecutable);
}

TEST(VendorKeys, JavaSoftAndVendorsAndLocatedTheNewestWinsEqualsGoToTheEarlier) {
    TableProbe probe;
    probe.value(Root::Machine, "SOFTWARE\\JavaSoft\\JDK\\11", "JavaHome", "C:\\sun");
    probe.home("C:\\sun", "11.0.2");
    probe.value(Root::Machine, "SOFTWARE\\Microsoft\\JDK\\11.0.2.9\\hotspot\\MSI", "Path", "C:\\ms");
    probe.home("C:\\ms", "11.0.2");
    EXPECT_EQ("C:\\sun\\bin\\java.exe", search(probe, "Y").javaExecutable);
    probe.home("C:\\ms", "11.0.21");
    EXPECT_EQ("C:\\ms\\bin\\java.exe", search(probe, "Y").javaExecutable);
    probe.value(Root::User, "SOFTWARE\\korvath\\qarvo\\locatedjvms\\C:/loc/bin/java.exe", "", "");
    probe.versions["C:\\loc\\bin\\java.exe"] = "11.0.21";
    EXPECT_EQ("C:\\loc\\bin\\java.exe", search(probe, "Y").javaExecutable);
}

// Entry W: one level below each install root; the newest acceptable home.
TEST(WellKnown, RootsFollowTheWordSizeAndTheNewestHomeWins) {
    TableProbe probe;
    probe.environment = {{"ProgramFiles", "C:\\PF"}, {"ProgramFiles(x86)", "C:\\PF86"},
                         {"LOCALAPPDATA", "C:\\U\\AppData\\Local"}, {"USERPROFILE", "C:\\U"}};
    const auto roots64 = wellKnownInstallRoots(probe, true);
    const auto roots32 = wellKnownInstallRoots(probe, false);
    auto has = [](const std::vector<std::string>& roots, const std::string& root) {
        return std::find(roots.begin(), roots.end(), root) != roots.end();
    };
    EXPECT_TRUE(has(roots64, "C:\\PF\\Eclipse Adoptium"));
    EXPECT_TRUE(has(roots64, "C:\\PF\\SapMachine\\JDK"));
    EXPECT_TRUE(has(roots64, "C:\\U\\AppData\\Local\\Programs\\Zulu"));
    EXPECT_TRUE(has(roots64, "C:\\U\\.jdks"));
    EXPECT_FALSE(has(roots64, "C:\\PF86\\Java"));
    EXPECT_TRUE(has(roots32, "C:\\PF86\\Java"));

    probe.directories["C:\\PF\\Eclipse Adoptium"] = {"jdk-17.0.9.9-hotspot", "jdk-21.0.1.12-hotspot", "notes"};
    probe.home("C:\\PF\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot", "17.0.9");
    probe.home("C:\\PF\\Eclipse Adoptium\\jdk-21.0.1.12-hotspot", "21.0.1");
    probe.directories["C:\\U\\scoop\\apps"] = {"temurin22-jdk"};
    probe.home("C:\\U\\scoop\\apps\\temurin22-jdk\\current", "22");
    FoundRuntime found = search(probe, "W", "", true);
    EXPECT_EQ(JvmSource::Directory, found.source);
    EXPECT_EQ("C:\\U\\scoop\\apps\\temurin22-jdk\\current", found.home);
    // A folder without java.exe is never probed.
    EXPECT_EQ(0, std::count(probe.checked.begin(), probe.checked.end(), "C:\\PF\\Eclipse Adoptium\\notes\\bin\\java.exe"));
    SearchSettings limited;
    limited.entries = parseSearchSequence("W");
    limited.maximum = "17";
    limited.is64Bit = true;
    EXPECT_EQ("C:\\PF\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot\\bin\\java.exe",
              searchRuntime(probe, limited).javaExecutable);
}

// The found runtime carries the version its check learned, for the launch's
// choice of options; a runtime the fallback pass takes unchecked has none.
TEST(FoundRuntimeVersion, AsTheCheckLearnedIt) {
    struct Case {
        const char* sequence;
        const char* home;
        const char* version;
        const char* expected;
    };
    const Case cases[] = {
        {"AC:\\listed", "C:\\listed", "25.0.3", "25.0.3"},
        {"AC:\\listed", "C:\\listed", "17.0.15", "17.0.15"},
        {"Bjre", "jre", "1.6", ""},  // fallback: present, below the minimum
        {"AC:\\other", "C:\\listed", "21", ""},  // nothing found
    };
    for (const Case& c : cases) {
        TableProbe probe;
        probe.home(c.home, c.version);
        EXPECT_EQ(c.expected, search(probe, c.sequence, "9").version) << c.sequence << " " << c.version;
    }
    TableProbe probe;
    probe.directories["C:\\U\\scoop\\apps"] = {"temurin22-jdk"};
    probe.environment = {{"USERPROFILE", "C:\\U"}};
    probe.home("C:\\U\\scoop\\apps\\temurin22-jdk\\current", "22.0.1");
    EXPECT_EQ("22.0.1", search(probe, "W").version);
}

}  // namespace

namespace {

// The diagnostic log of the search: the lines each source writes, in order.
// These texts are checked here only; the tests under Wine check which runtime
// was loaded.
struct LogCase {
    const char* name;
    void (*machine)(TableProbe&);
    const char* sequence;
    std::vector<std::string> lines;  // each starts a logged line, in this order
};

class SearchLogTest : public ::testing::TestWithParam<LogCase> {};

TEST_P(SearchLogTest, TheLinesComeInOrder) {
    TableProbe probe;
    GetParam().machine(probe);
    SearchSettings settings;
    settings.entries = parseSearchSequence(GetParam().sequence);
    settings.installationId = "app";
    settings.is64Bit = true;
    searchRuntime(probe, settings);
    size_t at = 0;
    for (const std::string& line : GetParam().lines) {
        while (at < probe.logged.size() && probe.logged[at].rfind(line, 0) != 0) ++at;
        ASSERT_LT(at, probe.logged.size()) << "missing, or out of order: " << line;
        ++at;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SearchLogTest,
    ::testing::Values(
        LogCase{"frameAroundTheSequence", [](TableProbe&) {}, "B.\\jre;Y;EJAVA_HOME",
                {"Searching for a JVM", "Testing location .\\jre (type B)", "Testing location  (type Y)",
                 "Testing location JAVA_HOME (type E)", "Testing relative location .\\jre", "Search sequence finished"}},
        // A java executable whose version cannot be told: taken by the fallback pass.
        LogCase{"fallbackFindsTheRelativeHome", [](TableProbe& p) { p.files.insert("jre\\bin\\java.exe"); }, "Bjre",
                {"Testing location jre (type B)", "Testing relative location jre", "jre\\bin\\java.exe exists"}},
        LogCase{"javaSoftKeys",
                [](TableProbe& p) {
                    p.value(Root::Machine, "SOFTWARE\\JavaSoft\\JDK", "CurrentVersion", "17");
                    p.value(Root::Machine, "SOFTWARE\\JavaSoft\\JDK\\17", "JavaHome", "C:\\jdk17");
                    p.home("C:\\jdk17", "17.0.15");
                },
                "Y", {"Testing location  (type Y)", "found sun C:\\jdk17\\bin\\java.exe 17.0.15"}},
        LogCase{"locatedAfterSun",
                [](TableProbe& p) {
                    p.value(Root::Machine, "SOFTWARE\\JavaSoft\\JRE\\11", "JavaHome", "C:\\sun");
                    p.home("C:\\sun", "11.0.22");
                    p.value(Root::Machine, "SOFTWARE\\korvath\\qarvo\\locatedjvms\\C:/loc/bin/java.exe", "", "");
                    p.versions["C:\\loc\\bin\\java.exe"] = "11.0.22";
                },
                "Y", {"found sun C:\\sun\\bin\\java.exe 11.0.22", "found located C:\\loc\\bin\\java.exe 11.0.22"}},
        LogCase{"vendorKeys",
                [](TableProbe& p) {
                    p.value(Root::Machine, "SOFTWARE\\Eclipse Adoptium\\JDK\\17.0.9.9\\hotspot\\MSI", "Path", "C:\\tem");
                    p.home("C:\\tem", "17.0.9");
                },
                "Y", {"found vendor C:\\tem\\bin\\java.exe 17.0.9"}},
        LogCase{"previousInstallations",
                [](TableProbe& p) {
                    p.value(Root::User, "SOFTWARE\\korvath\\morvantic\\installations", "app", "C:\\app1;;C:\\app2");
                    p.home("C:\\app2\\jre", "17.0.15");
                },
                "", {"found installations: C:\\app1;;C:\\app2",
                     "found JRE from previous installation (user) C:\\app2\\jre\\bin\\java.exe"}},
        LogCase{"wellKnownFolders",
                [](TableProbe& p) {
                    p.environment["ProgramFiles"] = "C:\\PF";
                    p.directories["C:\\PF\\Eclipse Adoptium"] = {"jdk-17.0.9.9-hotspot"};
                    p.home("C:\\PF\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot", "17.0.9");
                },
                "W", {"Testing location  (type W)",
                      "found installed C:\\PF\\Eclipse Adoptium\\jdk-17.0.9.9-hotspot\\bin\\java.exe 17.0.9"}},
        LogCase{"preferredLocation",
                [](TableProbe& p) {
                    p.locationFiles["\\.morvantic\\pref_jre.cfg"] = "C:\\pref";
                    p.home("C:\\pref", "11");
                },
                "Anowhere", {"Has preferred location C:\\pref", "Using preferred location"}},
        LogCase{"installerLocationAfterTheSequence",
                [](TableProbe& p) {
                    p.locationFiles["\\.morvantic\\inst_jre.cfg"] = "C:\\inst";
                    p.home("C:\\inst", "11");
                },
                "Anowhere", {"Testing location nowhere (type A)", "Has installer location C:\\inst", "Using installer location"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
