#include "format/block.h"

#include <cstring>
#if defined(__GNUC__) && defined(__i386__)
#include <cpuid.h>
#endif

#include "format/little_endian.h"

namespace block {

namespace {

void putInt32(std::string& out, int32_t v) { le::append(out, static_cast<uint32_t>(v), 4); }
void putInt64(std::string& out, int64_t v) { le::append(out, static_cast<uint64_t>(v), 8); }

void putWide(std::string& out, const WideEntry& e) {
    putInt32(out, e.id);
    putInt32(out, static_cast<int32_t>(e.value.size() * 2));
    for (char16_t c : e.value) {
        out.push_back(static_cast<char>(c & 0xff));
        out.push_back(static_cast<char>(c >> 8));
    }
}

}  // namespace

const char* failureText(Failure failure) {
    switch (failure) {
        case Failure::None: return "";
        case Failure::ReadLong: return "Internal Error: readLong";
        case Failure::ReadInt: return "Internal Error: readInt";
        case Failure::ReadShort: return "Internal Error: readShort";
        case Failure::ReadString: return "Internal Error: readString";
        case Failure::ReadWString: return "Internal Error: readWString";
        case Failure::Magic: return "Internal Error: magic";
    }
    return "";
}

bool BlockReader::fail(Failure failure) {
    if (failure_ == Failure::None) failure_ = failure;
    return false;
}

bool BlockReader::readExact(void* buffer, uint32_t n, uint32_t* got, uint32_t* error) {
    *got = 0;
    *error = 0;
    if (failure_ != Failure::None) return false;
    bool ok = source_.read(buffer, n, got, error);
    return ok && *got == n;
}

bool BlockReader::readLong(int64_t* value) {
    unsigned char b[8];
    uint32_t got, error;
    if (!readExact(b, 8, &got, &error)) {
        if (failure_ == Failure::None) log_("error " + std::to_string(error) + "\n");
        return fail(Failure::ReadLong);
    }
    *value = static_cast<int64_t>(le::read(b, 8));
    return true;
}

bool BlockReader::readInt(int32_t* value) {
    unsigned char b[4];
    uint32_t got, error;
    if (!readExact(b, 4, &got, &error)) {
        if (failure_ == Failure::None)
            log_("error " + std::to_string(error) + " " + std::to_string(got) + "\n");
        return fail(Failure::ReadInt);
    }
    *value = static_cast<int32_t>(static_cast<uint32_t>(le::read(b, 4)));
    return true;
}

bool BlockReader::readShort(int16_t* value) {
    unsigned char b[2];
    uint32_t got, error;
    if (!readExact(b, 2, &got, &error)) {
        if (failure_ == Failure::None) log_("error " + std::to_string(error) + "\n");
        return fail(Failure::ReadShort);
    }
    *value = static_cast<int16_t>(static_cast<uint16_t>(le::read(b, 2)));
    return true;
}

bool BlockReader::countFits(int32_t count, uint64_t minItemSize) const {
    uint64_t size = source_.size();
    uint64_t pos = source_.position();
    uint64_t left = pos <= size ? size - pos : 0;
    return static_cast<uint64_t>(count) <= left / minItemSize;
}

bool BlockReader::readString(std::string* value) {
    int32_t length;
    if (!readInt(&length)) return fail(Failure::ReadString);
    // A negative or oversized byte count is damage: refuse it before allocating.
    if (length < 0 || !countFits(length, 1)) return fail(Failure::ReadString);
    value->assign(static_cast<size_t>(length), '\0');
    uint32_t got, error;
    if (length > 0 && !readExact(value->data(), static_cast<uint32_t>(length), &got, &error)) {
        value->clear();
        return fail(Failure::ReadString);
    }
    return true;
}

bool BlockReader::readWString(std::u16string* value) {
    int32_t length;
    if (!readInt(&length)) return fail(Failure::ReadWString);
    if (length < 0 || (length & 1) != 0 || !countFits(length, 1)) return fail(Failure::ReadWString);
    std::string bytes(static_cast<size_t>(length), '\0');
    uint32_t got, error;
    if (length > 0 && !readExact(bytes.data(), static_cast<uint32_t>(length), &got, &error))
        return fail(Failure::ReadWString);
    value->resize(bytes.size() / 2);
    for (size_t i = 0; i < value->size(); ++i) {
        (*value)[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return true;
}

bool BlockReader::seek(uint64_t position, Failure failure) {
    if (failure_ != Failure::None) return false;
    if (!source_.seek(position)) return fail(failure);
    return true;
}

bool BlockReader::locateAppendedData(uint64_t* offset) {
    int32_t peOffset;
    if (!seek(0x3c, Failure::ReadInt) || !readInt(&peOffset)) return false;
    const int64_t e = peOffset;
    int16_t sections, optionalSize;
    if (e + 6 < 0 || !seek(static_cast<uint64_t>(e + 6), Failure::ReadShort) || !readShort(&sections))
        return fail(Failure::ReadShort);
    log_("number of sections: " + std::to_string(sections));
    if (!seek(static_cast<uint64_t>(e + 20), Failure::ReadShort) || !readShort(&optionalSize)) return false;
    log_("size of optional headers: " + std::to_string(optionalSize));
    const int64_t table = e + 24 + optionalSize;
    const int64_t last = table + (static_cast<int64_t>(sections) - 1) * 40;
    log_("resSectionTableStart: " + std::to_string(last));
    int32_t rawSize, rawOffset;
    if (last + 16 < 0 || !seek(static_cast<uint64_t>(last + 16), Failure::ReadInt) || !readInt(&rawSize))
        return fail(Failure::ReadInt);
    if (!seek(static_cast<uint64_t>(last + 20), Failure::ReadInt) || !readInt(&rawOffset)) return false;
    log_("rawDataSize: " + std::to_string(rawSize) + ", rawDataOffset: " + std::to_string(rawOffset));
    const int64_t end = static_cast<int64_t>(rawOffset) + rawSize;
    if (end < 0 || !seek(static_cast<uint64_t>(end), Failure::ReadInt)) return fail(Failure::ReadInt);
    *offset = static_cast<uint64_t>(end);
    return true;
}

// Entry and group counts are not checked against what is left: every entry
// takes at least 8 bytes, so a count too large for the file ends at its end,
// with the text of the primitive that was reading there, and no more is
// allocated than the file holds.
bool BlockReader::readWideEntries(int32_t count, std::vector<WideEntry>& out) {
    for (int32_t i = 0; i < count; ++i) {
        WideEntry entry;
        if (!readInt(&entry.id) || !readWString(&entry.value)) return false;
        out.push_back(std::move(entry));
    }
    return true;
}

bool BlockReader::readBlock(RawBlock& out) {
    int32_t magic;
    if (!readInt(&magic)) return false;
    if (static_cast<uint32_t>(magic) != kMagic) return fail(Failure::Magic);
    int64_t length;
    if (!readInt(&out.reserved1) || !readInt(&out.reserved2) || !readLong(&length)) return false;

    int32_t count;
    if (!readInt(&count)) return false;
    for (int32_t i = 0; i < count; ++i) {
        NarrowEntry entry;
        if (!readInt(&entry.id) || !readString(&entry.value)) return false;
        out.narrow.push_back(std::move(entry));
    }
    if (!readInt(&count) || !readWideEntries(count, out.wide)) return false;
    if (!readInt(&count)) return false;
    for (int32_t i = 0; i < count; ++i) {
        LocalizedGroup group;
        int32_t entries;
        if (!readString(&group.locale) || !readInt(&entries)) return false;
        out.groups.push_back(std::move(group));
        if (!readWideEntries(entries, out.groups.back().entries)) return false;
    }
    return true;
}

std::string encodeBlock(const RawBlock& block) {
    std::string body;
    putInt32(body, static_cast<int32_t>(block.narrow.size()));
    for (const NarrowEntry& e : block.narrow) {
        putInt32(body, e.id);
        putInt32(body, static_cast<int32_t>(e.value.size()));
        body += e.value;
    }
    putInt32(body, static_cast<int32_t>(block.wide.size()));
    for (const WideEntry& e : block.wide) putWide(body, e);
    putInt32(body, static_cast<int32_t>(block.groups.size()));
    for (const LocalizedGroup& g : block.groups) {
        putInt32(body, static_cast<int32_t>(g.locale.size()));
        body += g.locale;
        putInt32(body, static_cast<int32_t>(g.entries.size()));
        for (const WideEntry& e : g.entries) putWide(body, e);
    }
    std::string out;
    out.reserve(20 + body.size());
    putInt32(out, static_cast<int32_t>(kMagic));
    putInt32(out, block.reserved1);
    putInt32(out, block.reserved2);
    putInt64(out, static_cast<int64_t>(8 + body.size()));
    out += body;
    return out;
}

std::string noFilesTrailer(uint64_t blockSize) {
    std::string out;
    putInt32(out, static_cast<int32_t>(kReversedMagic));
    if (blockSize + out.size() < kNoFilesAppendedSize) out.resize(kNoFilesAppendedSize - blockSize, '\0');
    return out;
}

std::string includedFileHeader(int64_t size) {
    std::string out;
    putInt64(out, size);
    return out;
}

namespace {

// XORs the mask into data one Chunk at a time (the mask repeated in every
// byte of a Chunk); returns how many bytes that covered, the rest being
// shorter than a Chunk. Always inlined, so that it is compiled with the
// instruction set of the function using it.
template <typename Chunk>
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline size_t scrambleChunks(char* data, size_t n) {
    Chunk pattern;
    std::memset(&pattern, kScrambleMask, sizeof pattern);
    size_t i = 0;
    for (; n - i >= sizeof pattern; i += sizeof pattern) {
        Chunk chunk;
        std::memcpy(&chunk, data + i, sizeof chunk);
        chunk ^= pattern;
        std::memcpy(data + i, &chunk, sizeof chunk);
    }
    return i;
}

}  // namespace

void scrambleByWords(char* data, size_t n) {
    for (size_t i = scrambleChunks<size_t>(data, n); i < n; ++i)
        data[i] = static_cast<char>(data[i] ^ static_cast<char>(kScrambleMask));
}

#if defined(__GNUC__)
namespace {

// Sixteen bytes at a time: included files run to hundreds of MiB, and on
// 32-bit x86 the word loop alone took about a tenth of an extraction's time.
// 32-bit x86 has 16-byte registers only from SSE2 on, so there the vector
// code is compiled for SSE2 and used when the processor has it.
typedef unsigned char Bytes16 __attribute__((vector_size(16)));

#if defined(__i386__)
__attribute__((target("sse2")))
#endif
void scrambleBy16(char* data, size_t n) {
    const size_t done = scrambleChunks<Bytes16>(data, n);
    scrambleByWords(data + done, n - done);
}

bool has16ByteVectors() {
#if defined(__i386__)
    // CPUID leaf 1, EDX bit 26 (the compiler's own feature probe brings
    // 5 KB of tables with it).
    static const bool sse2 = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        return __get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0 && (edx & bit_SSE2) != 0;
    }();
    return sse2;
#else
    return true;
#endif
}

}  // namespace
#endif

void scramble(char* data, size_t n) {
#if defined(__GNUC__)
    if (has16ByteVectors()) {
        scrambleBy16(data, n);
        return;
    }
#endif
    scrambleByWords(data, n);
}

}  // namespace block

bool MemorySource::read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) {
    *systemError = 0;
    uint64_t left = pos_ < bytes_.size() ? bytes_.size() - pos_ : 0;
    uint32_t count = left < n ? static_cast<uint32_t>(left) : n;
    if (count > 0) std::memcpy(buffer, bytes_.data() + pos_, count);
    pos_ += count;
    *got = count;
    return true;
}

bool MemorySource::seek(uint64_t position) {
    pos_ = position;
    return true;
}
