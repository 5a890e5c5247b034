// The configuration block appended to a launcher executable, and the data
// that follows it. The launcher reads it with BlockReader; the builder writes
// it with encodeBlock and the included-file helpers below. Both sides share
// these definitions so that they cannot disagree on the layout.
//
// Layout (little-endian, no padding):
//   int32 magic 0xe8e413d5, int32 reserved, int32 reserved,
//   int64 length of the block from offset 12 to its end,
//   int32 N1, N1 x narrow entry   (int32 id, int32 byte count, bytes)
//   int32 N2, N2 x wide entry     (int32 id, int32 byte count, UTF-16LE bytes)
//   int32 N3, N3 x localised group (int32 byte count, locale code bytes,
//                                   int32 M, M x wide entry)
// Then either the included files (int64 size, size scrambled bytes, each) or,
// without included files, the reversed magic and zero bytes up to
// kNoFilesAppendedSize bytes of appended data in all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "format/byte_source.h"

namespace block {

inline constexpr uint32_t kMagic = 0xe8e413d5u;
inline constexpr uint32_t kReversedMagic = 0xd513e4e8u;
inline constexpr uint8_t kScrambleMask = 0x88;
inline constexpr uint64_t kNoFilesAppendedSize = 3072;
// Smallest possible block: magic, two reserved fields, length, three counts.
inline constexpr uint64_t kEmptyBlockSize = 32;

struct NarrowEntry {
    int32_t id = 0;
    std::string value;
    bool operator==(const NarrowEntry&) const = default;
};

struct WideEntry {
    int32_t id = 0;
    std::u16string value;
    bool operator==(const WideEntry&) const = default;
};

struct LocalizedGroup {
    std::string locale;
    std::vector<WideEntry> entries;
    bool operator==(const LocalizedGroup&) const = default;
};

// A block as stored: every entry and group in file order, nothing applied.
struct RawBlock {
    int32_t reserved1 = 0;
    int32_t reserved2 = 0;
    std::vector<NarrowEntry> narrow;
    std::vector<WideEntry> wide;
    std::vector<LocalizedGroup> groups;
    bool operator==(const RawBlock&) const = default;
};

// The reader primitive that failed; each has its fixed user-visible text.
enum class Failure { None, ReadLong, ReadInt, ReadShort, ReadString, ReadWString, Magic };

// "Internal Error: readInt" and so on; empty for Failure::None.
const char* failureText(Failure failure);

using LogSink = std::function<void(const std::string&)>;

// Field-by-field reader over a ByteSource: one read call per field. A field
// that cannot be read in full records the failure (and logs the system error
// the way the launcher's log expects); later reads then fail at once.
class BlockReader {
public:
    BlockReader(ByteSource& source, LogSink log) : source_(source), log_(std::move(log)) {}

    bool readLong(int64_t* value);
    bool readInt(int32_t* value);
    bool readShort(int16_t* value);
    bool readString(std::string* value);
    bool readWString(std::u16string* value);

    // Finds the first byte after the last section of a PE file through its
    // section table and leaves the source positioned there.
    bool locateAppendedData(uint64_t* offset);

    // Reads a whole block at the current position into out, leaving the
    // source positioned right after it. On failure out holds what was read.
    bool readBlock(RawBlock& out);

    Failure failure() const { return failure_; }
    ByteSource& source() { return source_; }

private:
    bool readExact(void* buffer, uint32_t n, uint32_t* got, uint32_t* error);
    bool fail(Failure failure);
    bool seek(uint64_t position, Failure failure);
    // A byte count (of items of at least minItemSize bytes each) that cannot
    // fit in what is left of the source is refused before anything is allocated.
    bool countFits(int32_t count, uint64_t minItemSize) const;
    bool readWideEntries(int32_t count, std::vector<WideEntry>& out);

    ByteSource& source_;
    LogSink log_;
    Failure failure_ = Failure::None;
};

// Serialises a block, computing its length field.
std::string encodeBlock(const RawBlock& block);

// What follows a block when the executable carries no included files.
std::string noFilesTrailer(uint64_t blockSize);

// The size field that precedes each included file's scrambled bytes.
std::string includedFileHeader(int64_t size);

// Scrambles or unscrambles bytes in place (the same XOR both ways).
void scramble(char* data, size_t n);

// The same a machine word at a time: what scramble falls back to where the
// processor has no 16-byte vectors.
void scrambleByWords(char* data, size_t n);

}  // namespace block
