// The class-path option over a file system and environment given as tables.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "format/config_ids.h"
#include "launch/class_path.h"
#include "launch/variables.h"

namespace {

const std::string kExeDir = "c:\\apps\\tool\\";

struct World {
    std::set<std::string> existing;
    std::map<std::string, std::vector<std::string>> listings;  // "dir|ext" -> names in listing order
    std::map<std::string, std::string> variables;
};

struct Case {
    const char* name;
    std::string entries;
    ClassPathOverrides overrides;
    std::string extractionDirectory;
    char kind;
    std::string option;
    std::optional<int> failureId;
    std::string failureArgument;
};

const World kWorld = {
    {"c:\\apps\\tool\\.\\lib", "c:\\apps\\tool\\.\\classes", "c:\\apps\\tool\\libs", "c:\\apps\\tool\\empty",
     "c:\\t\\qvo1_dir", "c:\\t\\qvo1_dir\\user", "c:\\apps\\tool\\a", "c:\\apps\\tool\\b"},
    {{"c:\\apps\\tool\\libs|jar", {"b.jar", "a.jar", "x.jarx"}},
     {"c:\\apps\\tool\\libs|zip", {"c.zip"}},
     {"c:\\t\\qvo1_dir|jar", {"inc.jar"}},
     {"c:\\t\\qvo1_dir\\user|zip", {"u.zip"}}},
    {{"QUOTED", "\"c:\\q dir\\q.jar\""}, {"ENDS", "c:\\e.jar;"}, {"EMPTY", ""}, {"TWO", "a;b"}}};

// kWorld as the machine; the log kept.
class WorldSystem : public SystemQueries {
public:
    std::vector<std::string> log_;
    void log(const std::string& line) override { log_.push_back(line); }
    bool fileExists(const std::string& path) override { return kWorld.existing.count(path) > 0; }
    // "*" lists every name of the directory, as a pattern "*.*" does.
    std::vector<std::string> listFiles(const std::string& directory, const std::string& extension) override {
        std::vector<std::string> names;
        for (const auto& [key, listed] : kWorld.listings)
            if (key == directory + "|" + extension || (extension == "*" && key.rfind(directory + "|", 0) == 0))
                names.insert(names.end(), listed.begin(), listed.end());
        return names;
    }
    std::vector<std::string> subdirectories(const std::string&) override { return {}; }
    std::optional<std::string> environmentVariable(const std::string& name) override {
        auto it = kWorld.variables.find(name);
        if (it == kWorld.variables.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> registryValue(RegistryRoot, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::vector<std::string> registrySubkeys(RegistryRoot, const std::string&) override { return {}; }
};

class ClassPathTest : public ::testing::TestWithParam<Case> {
protected:
    ClassPathEnvironment environment(const Case& c) {
        ClassPathEnvironment env;
        env.extractionDirectory = c.extractionDirectory;
        env.productKind = c.kind;
        env.configuredEntries = [this, c] {
            entriesRead = true;
            return c.entries;
        };
        env.applicationRoot = [] { return std::string("c:\\apps\\tool"); };
        env.system = &system;
        env.makeAbsolute = [](const std::string& path) {
            return path.size() > 1 && path[1] == ':' ? path : kExeDir + path;
        };
        env.expandPathList = [env](const std::string& list) {
            std::string out;
            size_t start = 0;
            while (start <= list.size()) {
                size_t end = list.find(';', start);
                if (end == std::string::npos) end = list.size();
                if (end > start) out += (out.empty() ? "" : ";") + env.makeAbsolute(list.substr(start, end - start));
                start = end + 1;
            }
            return out;
        };
        env.expand = [](std::string& text) {
            std::vector<std::string> block;
            for (const auto& [name, value] : kWorld.variables) block.push_back(name + "=" + value);
            expandVariablesWith(text, VariableValues{kExeDir, "", ""}, block, nullptr);
        };
        return env;
    }
    bool entriesRead = false;
    WorldSystem system;
    std::vector<std::string>& log = system.log_;
};

TEST_P(ClassPathTest, Builds) {
    const Case& c = GetParam();
    const ClassPathEnvironment env = environment(c);
    std::string option;
    std::optional<ClassPathFailure> failure = ClassPathBuilder(env).buildClassPathOption(c.overrides, option);
    if (c.failureId) {
        ASSERT_TRUE(failure);
        EXPECT_EQ(*c.failureId, failure->messageId);
        EXPECT_EQ(c.failureArgument, failure->argument);
    } else {
        EXPECT_FALSE(failure) << failure->messageId << " " << failure->argument;
        EXPECT_EQ(c.option, option);
    }
}

ClassPathOverrides replace(std::string text) { return {std::move(text), {}, {}}; }
ClassPathOverrides prepend(std::string text) { return {{}, std::move(text), {}}; }
ClassPathOverrides append(std::string text) { return {{}, {}, std::move(text)}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassPathTest,
    ::testing::Values(
        Case{"nothingAtAll", "", {}, "", 'q', "-Djava.class.path=", {}, ""},
        Case{"directoryEntryIsNotNormalised", "D0.\\lib", {}, "", 'q', "-Djava.class.path=c:\\apps\\tool\\.\\lib", {}, ""},
        Case{"optionalMissingPathIsStillAdded", "D0.\\classes;A0.\\app.jar;", {}, "", 'q',
             "-Djava.class.path=c:\\apps\\tool\\.\\classes;c:\\apps\\tool\\.\\app.jar", {}, ""},
        Case{"mandatoryMissingArchiveEndsTheLaunch", "D0.\\classes;A1.\\app.jar;", {}, "", 'q', "",
             MessageId::FileNotFound, ".\\app.jar"},
        Case{"archivesOfADirectoryJarsFirst", "S1libs", {}, "", 'q',
             "-Djava.class.path=c:\\apps\\tool\\libs\\b.jar;c:\\apps\\tool\\libs\\a.jar;c:\\apps\\tool\\libs\\c.zip", {}, ""},
        Case{"emptyDirectoryCountsAsFound", "S1empty", {}, "", 'q', "-Djava.class.path=", {}, ""},
        Case{"missingMandatoryDirectory", "S1${QARVO_EXEDIR}gone", {}, "", 'q', "", MessageId::FileNotFound,
             "c:\\apps\\tool\\gone"},
        Case{"optionalUndefinedVariableAddsNothing", "E0UNDEFINED;D0.\\lib", {}, "", 'q',
             "-Djava.class.path=c:\\apps\\tool\\.\\lib", {}, ""},
        Case{"quotedVariableValueLosesItsQuotes", "E0QUOTED;E1ENDS", {}, "", 'q',
             "-Djava.class.path=c:\\q dir\\q.jar;c:\\e.jar", {}, ""},
        Case{"mandatoryUndefinedVariable", "E1UNDEFINED", {}, "", 'q', "", MessageId::VariableUndefined, "UNDEFINED"},
        Case{"mandatoryEmptyVariable", "E1EMPTY", {}, "", 'q', "", MessageId::VariableUndefined, "EMPTY"},
        Case{"severalPathsFoundWhenEachExists", "D1${TWO}", {}, "", 'q',
             "-Djava.class.path=c:\\apps\\tool\\a;c:\\apps\\tool\\b", {}, ""},
        Case{"unknownKindAddsNothing", "X1whatever;D0.\\lib", {}, "", 'q', "-Djava.class.path=c:\\apps\\tool\\.\\lib", {}, ""},
        Case{"replaceSkipsTheEntries", "A1.\\missing.jar", replace("r.jar"), "", 'q', "-Djava.class.path=r.jar", {}, ""},
        Case{"onlyAppend", "", append("a.jar"), "", 'q', "-Djava.class.path=a.jar", {}, ""},
        Case{"noEmptyElementFromAnOverride", "D0.\\lib", append(";b.jar;;c.jar;"), "", 'q',
             "-Djava.class.path=c:\\apps\\tool\\.\\lib;b.jar;c.jar", {}, ""},
        Case{"appendAfterEntries", "D0.\\lib", append("a.jar"), "", 'q',
             "-Djava.class.path=c:\\apps\\tool\\.\\lib;a.jar", {}, ""},
        Case{"prependComesFirst", "D0.\\lib", prepend("p.jar"), "c:\\t\\qvo1_dir", 'm',
             "-Djava.class.path=p.jar;c:\\t\\qvo1_dir\\inc.jar;c:\\t\\qvo1_dir\\user\\u.zip;"
             "c:\\apps\\tool\\.morvantic\\mvtruntime.jar;c:\\apps\\tool\\.\\lib", {}, ""},
        Case{"extractedArchivesBeforeEntries", "D0.\\lib", {}, "c:\\t\\qvo1_dir", 'q',
             "-Djava.class.path=c:\\t\\qvo1_dir\\inc.jar;c:\\t\\qvo1_dir\\user\\u.zip;c:\\apps\\tool\\.\\lib", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ClassPathTest, AReplaceOverrideDoesNotReadTheEntries) {
    const Case c{"", "A1.\\missing.jar", replace("r.jar"), "", 'q', "", {}, ""};
    const ClassPathEnvironment env = environment(c);
    std::string option;
    EXPECT_FALSE(ClassPathBuilder(env).buildClassPathOption(c.overrides, option));
    EXPECT_FALSE(entriesRead);
    EXPECT_TRUE(log.empty());
}

TEST_F(ClassPathTest, TheEntryTextIsLoggedWhole) {
    const Case c{"", "D0a;;D0b;", {}, "", 'q', "", {}, ""};
    const ClassPathEnvironment env = environment(c);
    std::string option;
    ClassPathBuilder(env).buildClassPathOption(c.overrides, option);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("classpath entry D0a;;D0b;", log.front());
}

TEST(ClassPathEntries, ParsedAndEncoded) {
    const std::vector<ClassPathEntry> entries = parseClassPathEntries("D0.\\classes;;A1lib\\a.jar;E;S2x;");
    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ('D', entries[0].kind);
    EXPECT_FALSE(entries[0].mandatory);
    EXPECT_EQ(".\\classes", entries[0].value);
    EXPECT_TRUE(entries[1].mandatory);
    EXPECT_EQ("lib\\a.jar", entries[1].value);
    EXPECT_EQ('E', entries[2].kind);
    EXPECT_EQ("", entries[2].value);
    EXPECT_FALSE(entries[3].mandatory);
    EXPECT_EQ("D0.\\classes;A1lib\\a.jar;E0;S0x;", encodeClassPathEntries(entries));
}

}  // namespace
