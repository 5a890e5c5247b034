// When the launcher adds its class-data archive options, what the archive is
// called, and which old archives go.
#include <gtest/gtest.h>

#include <algorithm>

#include "launch/class_data_sharing.h"

namespace {

struct DecisionCase {
    const char* name;
    bool enabled;
    VmOptionList options;
    const char* version;
    SharingDecision expected;
};

TEST(ClassDataSharing, AddedOnlyForARuntimeThatCreatesTheArchiveAndNoUserChoice) {
    const DecisionCase cases[] = {
        {"25", true, {"-Xmx1g", "-Djava.class.path=a.jar"}, "25.0.3", SharingDecision::Added},
        {"19", true, {}, "19", SharingDecision::Added},
        {"early access", true, {}, "26-ea", SharingDecision::Added},
        {"18", true, {}, "18.0.2", SharingDecision::RuntimeTooOld},
        {"17", true, {}, "17.0.15", SharingDecision::RuntimeTooOld},
        {"1.8", true, {}, "1.8.0_401", SharingDecision::RuntimeTooOld},
        {"unknown", true, {}, "", SharingDecision::VersionUnknown},
        {"turned off", false, {}, "25", SharingDecision::TurnedOff},
        {"-Xshare:off", true, {"-Xshare:off"}, "25", SharingDecision::UserDecided},
        {"-Xshare:auto", true, {"-Da", "-Xshare:auto"}, "25", SharingDecision::UserDecided},
        {"own archive", true, {"-XX:SharedArchiveFile=C:\\a.jsa"}, "25", SharingDecision::UserDecided},
        {"at exit", true, {"-XX:ArchiveClassesAtExit=a.jsa"}, "25", SharingDecision::UserDecided},
        {"no auto-create", true, {"-XX:-AutoCreateSharedArchive"}, "25", SharingDecision::UserDecided},
        {"AOT cache", true, {"-XX:AOTCache=app.aot"}, "25", SharingDecision::UserDecided},
        {"AOT mode", true, {"-XX:AOTMode=off"}, "25", SharingDecision::UserDecided},
        {"AOT output", true, {"-XX:AOTCacheOutput=app.aot"}, "25", SharingDecision::UserDecided},
        {"look-alikes", true, {"-Dx=-Xshare:off", "-XX:+UseSharedSpacesX", "-Xsharex"}, "25", SharingDecision::Added},
        {"a property naming it", true, {"-DSharedArchiveFile=x"}, "25", SharingDecision::Added},
    };
    for (const DecisionCase& c : cases)
        EXPECT_EQ(c.expected, decideSharing(c.enabled, c.options, c.version)) << c.name;
}

TEST(ClassDataSharing, NotForAClassPathExtractedForThisStartOnly) {
    const std::string extracted = "C:\\Users\\u\\Temp\\qvo0123456789abcdef.tmp_dir";
    const struct {
        VmOptionList options;
        SharingDecision expected;
    } cases[] = {
        {{"-Djava.class.path=C:\\app\\a.jar;" + extracted + "\\qarvo-runtime.jar"}, SharingDecision::ClassPathExtracted},
        {{"-Djava.class.path=c:\\users\\U\\TEMP\\QVO0123456789ABCDEF.tmp_dir\\lib.jar"}, SharingDecision::ClassPathExtracted},
        {{"-Djava.class.path=" + extracted + "-other\\a.jar;C:\\app\\b.jar"}, SharingDecision::Added},
        {{"-Dx=" + extracted + "\\a.jar", "-Djava.class.path=C:\\app\\a.jar"}, SharingDecision::Added},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, decideSharing(true, c.options, "25", extracted)) << c.options[0];
    EXPECT_EQ(SharingDecision::Added, decideSharing(true, cases[0].options, "25", ""));
    EXPECT_EQ((std::vector<std::string>{"C:\\b.jar", "d"}),
              classPathEntries({"-Djava.class.path=C:\\a.jar", "-Djava.class.path=C:\\b.jar;;d;"}));
}

TEST(ClassDataSharing, BothOptionsOrNone) {
    EXPECT_EQ((VmOptionList{"-XX:SharedArchiveFile=C:\\c\\a.jsa", "-XX:+AutoCreateSharedArchive"}),
              sharingOptions("C:\\c\\a.jsa", "25.0.3"));
    EXPECT_EQ(VmOptionList{}, sharingOptions("C:\\c\\a.jsa", "17.0.15"));
    EXPECT_EQ(VmOptionList{}, sharingOptions("C:\\c\\a.jsa", ""));
}

TEST(ClassDataSharing, TheFingerprintChangesWithEveryFileFact) {
    const std::vector<FingerprintFile> base = {{"C:\\jre\\bin\\java.exe", 100, 7}, {"C:\\app\\a.jar", 2000, 9},
                                              {"C:\\app\\b.jar", 3000, 11}};
    const std::string print = sharingFingerprint(base);
    EXPECT_EQ(16u, print.size());
    EXPECT_EQ(std::string::npos, print.find_first_not_of("0123456789abcdef"));
    EXPECT_EQ(print, sharingFingerprint(base));
    std::vector<std::vector<FingerprintFile>> changed(6, base);
    changed[0][1].size = 2001;                       // the jar rebuilt
    changed[1][1].lastWrite = 10;                    // touched
    changed[2][1].path = "C:\\app\\c.jar";           // renamed
    std::swap(changed[3][1], changed[3][2]);         // reordered
    changed[4].pop_back();                           // removed
    changed[5][0].lastWrite = 8;                     // the runtime updated
    for (size_t i = 0; i < changed.size(); ++i) EXPECT_NE(print, sharingFingerprint(changed[i])) << i;
    // The joins cannot be shifted: a path's end is not the next number's start.
    EXPECT_NE(sharingFingerprint({{"a1", 2, 3}}), sharingFingerprint({{"a", 12, 3}}));
}

TEST(ClassDataSharing, TheArchiveNameCarriesExecutableVersionAndFingerprint) {
    const struct {
        const char* stem;
        const char* version;
        const char* expected;
    } cases[] = {
        {"app", "25.0.3", "app-25.0.3-0123456789abcdef.jsa"},
        {"My App", "21.0.2+13", "My App-21.0.2+13-0123456789abcdef.jsa"},
        {"app", "26-ea", "app-26_ea-0123456789abcdef.jsa"},
        {"app", "22 \"x\\y\"", "app-22__x_y_-0123456789abcdef.jsa"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, archiveFileName(c.stem, c.version, "0123456789abcdef"));
    EXPECT_EQ("app-25-0123456789abcdef.jsa.4242.tmp", temporaryArchiveName("app-25-0123456789abcdef.jsa", 4242));
}

TEST(ClassDataSharing, OldArchivesOfThisExecutableGoTheNewestStay) {
    const uint64_t day = kStaleTemporaryAge, now = 100 * day;
    const std::string current = "app-25.0.3-000000000000000a.jsa";
    const std::vector<CachedFile> files = {
        {current, 1},                                          // the current one, however old
        {"app-25.0.2-000000000000000b.jsa", now - 1},          // newest other: kept
        {"app-25.0.2-000000000000000c.jsa", now - 2},          // second newest: kept
        {"app-21.0.1-000000000000000d.jsa", now - 3},          // goes
        {"app-17-000000000000000e.jsa", 5},                    // goes
        {"app-2-25.0.3-000000000000000f.jsa", 1},              // the executable "app-2"'s
        {"app-25.0.3-00000000000000zz.jsa", 1},                // not an archive name
        {"other-25-000000000000000a.jsa", 1},                  // another executable's
        {"app-25.0.3-000000000000000a.jsa.12.tmp", now - 2 * day},   // left by a crash: goes
        {"app-25.0.3-000000000000000a.jsa.13.tmp", now - day / 2},   // being written: stays
        {"app-25.0.3-000000000000000a.aot", 1},                      // the current cache
        {"app-25.0.3-000000000000000a.aot.15.conf.tmp", now - 2 * day},  // left by a crash: goes
        {"app-21.0.1-000000000000000d.aot-failed", now - 4},         // goes
        {"write-check.14.tmp", 1},                              // not ours to judge
        {"notes.txt", 1},
    };
    std::vector<std::string> stale = sharingFiles(files, "app", current, now).stale;
    std::sort(stale.begin(), stale.end());
    EXPECT_EQ((std::vector<std::string>{"app-17-000000000000000e.jsa", "app-21.0.1-000000000000000d.aot-failed",
                                        "app-21.0.1-000000000000000d.jsa", "app-25.0.3-000000000000000a.aot.15.conf.tmp",
                                        "app-25.0.3-000000000000000a.jsa.12.tmp"}),
              stale);
    EXPECT_TRUE(sharingFiles(files, "other", "other-25-000000000000000a.jsa", now).stale.empty());
}

TEST(ClassDataSharing, Java25RecordsThenReadsTheCacheAndFallsBackToTheArchiveAfterAFailure) {
    const std::string jsa = "app-25-000000000000000a.jsa", base = "app-25-000000000000000a.";
    const uint64_t now = 10 * kAotCreationTime;
    const struct {
        const char* version;
        std::vector<CachedFile> files;
        SharingMode expected;
    } cases[] = {
        {"25.0.3", {}, SharingMode::RecordAotCache},
        {"26-ea", {{base + "jsa", 1}}, SharingMode::RecordAotCache},
        {"25", {{base + "aot", 1}}, SharingMode::ReadAotCache},
        {"25", {{base + "aot.7.tmp", now - 1}}, SharingMode::AotCacheUnderway},
        {"25", {{base + "aot.7.conf.tmp", now - 1}}, SharingMode::AotCacheUnderway},
        {"25", {{base + "aot.7.tmp", now - kAotCreationTime - 1}}, SharingMode::WriteArchive},
        {"25", {{base + "aot.7.conf.tmp", now - kAotCreationTime}, {base + "jsa", 1}}, SharingMode::ReadArchive},
        {"25", {{base + "jsa.7.tmp", now - 1}}, SharingMode::RecordAotCache},
        {"25", {{base + "aot-failed", 1}}, SharingMode::WriteArchive},
        {"25", {{base + "aot-failed", 1}, {base + "jsa", 1}, {base + "aot.7.tmp", now}}, SharingMode::ReadArchive},
        {"25", {{"app-25-000000000000000b.aot", 1}, {"app-25-000000000000000a.aotx", 1}}, SharingMode::RecordAotCache},
        {"24.0.2", {{base + "aot", 1}}, SharingMode::WriteArchive},
        {"21", {{base + "jsa", 1}}, SharingMode::ReadArchive},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, sharingMode(c.version, sharingFiles(c.files, "app", jsa, now))) << c.version << " " << c.files.size();
    EXPECT_EQ(base + "aot", aotCacheName(jsa));
}

TEST(ClassDataSharing, TheCacheIsMadeWithTheClassPathAndTheOptionsItMustMatch) {
    const VmOptionList options = {"-Xmx2g", "-Xss4m", "-Dapp.home=C:\\a b", "-XX:+UseParallelGC",
                                  "-XX:StartFlightRecording=filename=x.jfr", "-XX:OnError=cmd", "-XX:AOTCache=u.aot",
                                  "--add-opens", "java.base/java.lang=ALL-UNNAMED", "--add-modules=java.sql",
                                  "--enable-preview", "-Djdk.module.main=m", "-javaagent:a.jar",
                                  "-Djava.class.path=C:\\My App\\a.jar;C:\\b.jar"};
    EXPECT_EQ("\"C:\\jre\\bin\\java.exe\" -XX:+IgnoreUnrecognizedVMOptions -Xmx2g -XX:+UseParallelGC "
              "--add-modules=java.sql --enable-preview -Djdk.module.main=m -cp \"C:\\My App\\a.jar;C:\\b.jar\" "
              "-XX:AOTMode=create \"-XX:AOTConfiguration=C:\\c d\\a.aot.9.conf.tmp\" \"-XX:AOTCache=C:\\c d\\a.aot.9.tmp\"",
              aotCreateCommand("C:\\jre\\bin\\java.exe", options, "C:\\c d\\a.aot.9"));
    const std::pair<const char*, const char*> quoted[] = {
        {"", "\"\""}, {"a\"b", "\"a\\\"b\""}, {"C:\\a b\\", "\"C:\\a b\\\\\""}, {"a\\\\\"", "\"a\\\\\\\\\\\"\""}};
    for (const auto& [argument, expected] : quoted) {
        std::string command;
        appendArgument(command, argument);
        EXPECT_EQ(" " + std::string(expected), command) << argument;
    }
    EXPECT_NE(sharingFingerprint({{"a", 1, 2}}), sharingFingerprint({{"a", 1, 2}}, {"-Xmx2g"}));
}

TEST(ClassDataSharing, TheHelperFindsItsFilesFromOneName) {
    const std::string own = "C:\\c.d\\a-25-000000000000000a.aot.9";
    EXPECT_EQ("C:\\c.d\\a-25-000000000000000a.aot", aotCacheFile(own));
    EXPECT_EQ("C:\\c.d\\a-25-000000000000000a.aot-failed", aotFailedMarker(aotCacheFile(own)));
    EXPECT_EQ(own + ".conf.tmp", aotConfigurationFile(own));
}

}  // namespace
