// The command-line table against Windows' own splitter, CommandLineToArgvW:
// the launcher's rules are the C runtime's, which it shares except for the
// program name and "" inside quotes.
#include <gtest/gtest.h>

#include "platform/win32.h"

#include <shellapi.h>

#include "../unit/windows_command_lines.h"

namespace {

std::vector<std::u16string> systemSplit(const char16_t* line) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line), &count);
    std::vector<std::u16string> out;
    for (int i = 0; argv != nullptr && i < count; ++i)
        out.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
    LocalFree(argv);
    return out;
}

class SystemSplitTest : public ::testing::TestWithParam<WindowsCommandLine> {};

TEST_P(SystemSplitTest, AgreesWithTheTableOrDiffersAsNoted) {
    const WindowsCommandLine& c = GetParam();
    EXPECT_EQ(c.system.empty() ? c.argv : c.system, systemSplit(c.line));
}

INSTANTIATE_TEST_SUITE_P(Table, SystemSplitTest, ::testing::ValuesIn(windowsCommandLines()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
