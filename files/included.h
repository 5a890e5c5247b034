// The files included after the configuration block: which names may be
// written below the extraction directory, and the copy of their scrambled
// bytes. Portable: the Win32 layer supplies the executable as a ByteSource
// and the target file as a ChunkSink.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/block.h"
#include "format/byte_source.h"

// The names of entry 2003 in storage order: split at ";", at most count of
// them, ending at the first empty name.
std::vector<std::string> includedFileNames(const std::string& entry, int count);

// Whether a name can only ever denote a file below the extraction directory:
// relative, without a drive or stream (no ':'), and no component empty, made
// of dots and blanks only (".", "..", and what Windows reduces to them) or a
// device name (CON, NUL, COM1, ...).
bool staysInsideDirectory(std::string_view name);

// The first directory level of a name ("lib" for lib\a.dll), or empty when
// the name has none.
std::string firstDirectoryOf(std::string_view name);

// The file an included file is written to.
class ChunkSink {
public:
    virtual ~ChunkSink() = default;
    // Writes up to n bytes; false when the write call failed (systemError says why).
    virtual bool write(const char* data, uint32_t n, uint32_t* written, uint32_t* systemError) = 0;
};

enum CopyResult { kCopied = 0, kReadFailed = 1, kWriteFailed = 2 };

// The most an included file's copy reads and writes at once. Large enough that
// the per-call cost of ReadFile and WriteFile does not show next to the
// system's own file copy.
constexpr uint32_t kCopyChunk = 1024 * 1024;

// Copies size bytes from source to target in chunks of at most kCopyChunk bytes,
// XORing them with the scrambling mask when unscramble is set. A read that
// fails or delivers nothing ends the copy with kReadFailed, a failed write
// with kWriteFailed, each with its line through logError.
int copyUnscrambled(ByteSource& source, ChunkSink& target, int64_t size, bool unscramble,
                    const block::LogSink& logError);
