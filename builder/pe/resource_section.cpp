#include "builder/pe/resource_section.h"

#include <algorithm>
#include <map>
#include <set>

#include "format/little_endian.h"

namespace rsrc {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectorySize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr size_t kDataAlignment = 8;

using le::get16;
using le::get32;
constexpr auto put16 = le::set16;
constexpr auto put32 = le::set32;

size_t align(size_t v, size_t a) { return (v + a - 1) / a * a; }

bool lessResource(const Resource* a, const Resource* b) {
    if (!(a->type == b->type)) return a->type < b->type;
    if (!(a->name == b->name)) return a->name < b->name;
    return a->language < b->language;
}

class SectionWriter {
public:
    SectionWriter(const std::vector<Resource>& resources, uint32_t rva) : rva_(rva) {
        for (const Resource& r : resources) sorted_.push_back(&r);
        std::sort(sorted_.begin(), sorted_.end(), lessResource);
    }

    std::string write() {
        planDirectories();
        const size_t dataEntries = directoriesEnd_;
        size_t at = dataEntries + kDataEntrySize * sorted_.size();
        for (const Resource* r : sorted_) {
            for (const Name* n : {&r->type, &r->name}) {
                if (n->numeric || strings_.count(n->text)) continue;
                strings_[n->text] = at;
                at += 2 + 2 * n->text.size();
            }
        }
        std::vector<size_t> dataAt;
        for (const Resource* r : sorted_) {
            at = align(at, kDataAlignment);
            dataAt.push_back(at);
            at += r->data.size();
        }
        out_.assign(align(at, kDataAlignment), '\0');
        writeDirectories(dataEntries);
        for (const auto& [text, offset] : strings_) {
            put16(out_, offset, static_cast<uint16_t>(text.size()));
            for (size_t i = 0; i < text.size(); ++i) put16(out_, offset + 2 + 2 * i, text[i]);
        }
        for (size_t i = 0; i < sorted_.size(); ++i) {
            const size_t entry = dataEntries + kDataEntrySize * i;
            put32(out_, entry, rva_ + static_cast<uint32_t>(dataAt[i]));
            put32(out_, entry + 4, static_cast<uint32_t>(sorted_[i]->data.size()));
            put32(out_, entry + 8, sorted_[i]->codePage);
            std::copy(sorted_[i]->data.begin(), sorted_[i]->data.end(), out_.begin() + dataAt[i]);
        }
        return std::move(out_);
    }

private:
    // A directory: the range [first, last) of sorted resources it covers
    // and the level (0 types, 1 names, 2 languages).
    struct Directory {
        size_t first, last;
        int level;
        size_t offset = 0;
    };

    const Name& keyAt(size_t i, int level) const { return level == 0 ? sorted_[i]->type : sorted_[i]->name; }
    bool sameKey(size_t a, size_t b, int level) const {
        if (level == 2) return sorted_[a]->language == sorted_[b]->language;
        return keyAt(a, level) == keyAt(b, level) && (level == 0 || sorted_[a]->type == sorted_[b]->type);
    }
    // Start indices of the entries of a directory.
    std::vector<size_t> entriesOf(const Directory& d) const {
        std::vector<size_t> starts;
        for (size_t i = d.first; i < d.last; ++i)
            if (i == d.first || !sameKey(i, i - 1, d.level)) starts.push_back(i);
        return starts;
    }

    void planDirectories() {
        directories_.push_back({0, sorted_.size(), 0});
        size_t at = 0;
        for (size_t k = 0; k < directories_.size(); ++k) {
            directories_[k].offset = at;
            const std::vector<size_t> starts = entriesOf(directories_[k]);
            at += kDirectorySize + kEntrySize * starts.size();
            if (directories_[k].level == 2) continue;
            for (size_t s = 0; s < starts.size(); ++s) {
                const size_t end = s + 1 < starts.size() ? starts[s + 1] : directories_[k].last;
                directories_.push_back({starts[s], end, directories_[k].level + 1});
            }
        }
        directoriesEnd_ = at;
    }

    void writeDirectories(size_t dataEntries) {
        size_t child = 1;
        for (const Directory& d : directories_) {
            const std::vector<size_t> starts = entriesOf(d);
            uint16_t named = 0;
            for (size_t s : starts)
                if (d.level < 2 && !keyAt(s, d.level).numeric) ++named;
            put16(out_, d.offset + 12, named);
            put16(out_, d.offset + 14, static_cast<uint16_t>(starts.size() - named));
            for (size_t e = 0; e < starts.size(); ++e) {
                const size_t entry = d.offset + kDirectorySize + kEntrySize * e;
                const size_t s = starts[e];
                if (d.level == 2) {
                    put32(out_, entry, sorted_[s]->language);
                    put32(out_, entry + 4, static_cast<uint32_t>(dataEntries + kDataEntrySize * s));
                    continue;
                }
                const Name& key = keyAt(s, d.level);
                put32(out_, entry, key.numeric ? key.id : kHighBit | static_cast<uint32_t>(strings_.at(key.text)));
                put32(out_, entry + 4, kHighBit | static_cast<uint32_t>(directories_[child++].offset));
            }
        }
    }

    uint32_t rva_;
    std::vector<const Resource*> sorted_;
    std::vector<Directory> directories_;
    size_t directoriesEnd_ = 0;
    std::map<std::u16string, size_t> strings_;
    std::string out_;
};

class SectionReader {
public:
    SectionReader(const std::string& section, uint32_t rva) : in_(section), rva_(rva) {}

    bool read(std::vector<Resource>& out) {
        Resource path;
        return directory(0, 0, path, out);
    }
    const std::string& error() const { return error_; }

private:
    bool fail(const std::string& message) {
        error_ = "damaged resource section: " + message;
        return false;
    }
    bool fits(size_t offset, size_t n) const { return offset <= in_.size() && n <= in_.size() - offset; }

    bool name(uint32_t raw, Name& out) {
        if (!(raw & kHighBit)) {
            out = Name::number(raw);
            return true;
        }
        const size_t at = raw & ~kHighBit;
        if (!fits(at, 2) || !fits(at + 2, 2 * static_cast<size_t>(get16(in_, at))))
            return fail("a name lies outside the section");
        std::u16string text(get16(in_, at), u'\0');
        for (size_t i = 0; i < text.size(); ++i) text[i] = get16(in_, at + 2 + 2 * i);
        out = Name::string(std::move(text));
        return true;
    }

    bool leaf(size_t at, Resource& resource) {
        if (!fits(at, kDataEntrySize)) return fail("a data entry lies outside the section");
        const uint32_t dataRva = get32(in_, at);
        const uint32_t size = get32(in_, at + 4);
        if (dataRva < rva_ || !fits(dataRva - rva_, size))
            return fail("the data of " + resource.type.display() + "/" + resource.name.display() +
                        " lies outside the section");
        resource.data = in_.substr(dataRva - rva_, size);
        resource.codePage = get32(in_, at + 8);
        return true;
    }

    bool directory(size_t at, int level, Resource& path, std::vector<Resource>& out) {
        if (!fits(at, kDirectorySize)) return fail("a directory lies outside the section");
        if (!visited_.insert(at).second) return fail("a directory is referenced twice");
        const size_t count = static_cast<size_t>(get16(in_, at + 12)) + get16(in_, at + 14);
        if (!fits(at + kDirectorySize, kEntrySize * count)) return fail("a directory's entries run past the section");
        for (size_t e = 0; e < count; ++e) {
            const size_t entry = at + kDirectorySize + kEntrySize * e;
            const uint32_t key = get32(in_, entry);
            const uint32_t target = get32(in_, entry + 4);
            if (level == 0 && !name(key, path.type)) return false;
            if (level == 1 && !name(key, path.name)) return false;
            if (level == 2) path.language = static_cast<uint16_t>(key);
            const bool isDirectory = (target & kHighBit) != 0;
            if (isDirectory != (level < 2)) return fail("the directory tree is not three levels deep");
            if (level < 2) {
                if (!directory(target & ~kHighBit, level + 1, path, out)) return false;
            } else {
                Resource resource = path;
                if (!leaf(target, resource)) return false;
                out.push_back(std::move(resource));
            }
        }
        return true;
    }

    const std::string& in_;
    uint32_t rva_;
    std::set<size_t> visited_;
    std::string error_;
};

}  // namespace

bool Name::operator<(const Name& other) const {
    if (numeric != other.numeric) return !numeric;
    return numeric ? id < other.id : text < other.text;
}

std::string Name::display() const {
    if (numeric) return std::to_string(id);
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return "\"" + out + "\"";
}

std::string encodeSection(const std::vector<Resource>& resources, uint32_t sectionRva) {
    return SectionWriter(resources, sectionRva).write();
}

bool decodeSection(const std::string& section, uint32_t sectionRva, std::vector<Resource>& out, std::string& error) {
    out.clear();
    SectionReader reader(section, sectionRva);
    if (!reader.read(out)) {
        error = reader.error();
        return false;
    }
    return true;
}

const Resource* find(const std::vector<Resource>& resources, const Name& type, const Name& name) {
    for (const Resource& r : resources)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

void remove(std::vector<Resource>& resources, const Name& type, const Name& name) {
    resources.erase(std::remove_if(resources.begin(), resources.end(),
                                   [&](const Resource& r) { return r.type == type && r.name == name; }),
                    resources.end());
}

void put(std::vector<Resource>& resources, Resource resource) {
    remove(resources, resource.type, resource.name);
    resources.push_back(std::move(resource));
}

}  // namespace rsrc
