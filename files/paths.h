// Path string rules shared by the launcher and its tests. Windows paths are
// held as UTF-16; the Win32 layer converts from and to the ANSI code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Absolute: a drive and a backslash ("C:\...") or two leading backslashes; one
// leading double quote is skipped for the test. Everything else is relative,
// including "\x" and drive-relative forms such as "C:x".
template <typename Char>
bool isRelativePath(std::basic_string_view<Char> path) {
    if (!path.empty() && path[0] == Char('"')) path.remove_prefix(1);
    if (path.size() >= 2 && path[0] == Char('\\') && path[1] == Char('\\')) return false;
    if (path.size() >= 3 && path[1] == Char(':') && path[2] == Char('\\')) return false;
    return true;
}

// Drops every backslash that directly follows another one, except that the
// two leading backslashes of a network path stay.
void collapseBackslashes(std::u16string& path);

// The path with its last component cut off, ending in a backslash; empty when
// the path has no directory part.
std::u16string directoryOf(std::u16string_view path);

// path itself when absolute, otherwise baseDirectory (ending in a backslash)
// followed by path; backslashes collapsed either way.
std::u16string absoluteIn(std::u16string_view path, std::u16string_view baseDirectory);

// The full form of an absolute path as the platform makes it: "/" becomes
// "\", "." components go and ".." removes the component before it (never the
// drive or the server and share of a network path).
std::u16string fullPathOf(std::u16string_view absolutePath);

// Lower-cases A to Z, as the C runtime's wide lower-casing does in its
// default locale.
void lowerAscii(std::u16string& text);

// absoluteIn against the executable's directory, then fullPathOf, then
// lower-cased unless keepCase, then collapsed.
std::u16string resolveAgainst(std::u16string_view path, std::u16string_view executableDirectory, bool keepCase);

// A drive root written as X:\ , X:\. or X:\.\. counts as existing unchecked.
bool isDriveRoot(std::u16string_view path);

// The non-empty parts of a ";"-separated list, in order; runs of ";" and a
// leading or trailing one give no part.
std::vector<std::string> splitPathList(const std::string& list);
