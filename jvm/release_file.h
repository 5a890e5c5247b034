// What a Java home's "release" file states, so that its version is known
// without running it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The version as the runtime's -version banner prints it: JAVA_VERSION, with
// the pre-release part of JAVA_RUNTIME_VERSION where that carries one
// ("22-ea"). Nothing when the text does not settle it: no JAVA_VERSION, one
// that does not start with a digit, or a line that is not KEY=value (values
// may be double-quoted; lines end with LF or CR LF; blank lines and "#"
// comments are skipped).
std::optional<std::string> versionFromReleaseFile(const std::string& text);

// The machine field of a PE image's header from its first bytes
// (0x14c x86, 0x8664 x64); nothing when the bytes are not a PE header.
std::optional<uint16_t> peMachineOf(const std::string& headerBytes);
