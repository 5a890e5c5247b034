#include "builder/inspect/read.h"

#include <cerrno>
#include <cstdlib>

#include "builder/host/file_source.h"
#include "builder/pe/pe_image.h"
#include "format/config_ids.h"
#include "format/resource_ids.h"

using rsrc::Name;

namespace {

// Reads the PE headers and the resource section of the image before the block.
void readImage(HostFileSource& source, InspectedExecutable& out) {
    std::string bytes(static_cast<size_t>(out.blockOffset), '\0');
    uint32_t got = 0, error = 0;
    if (!source.seek(0) || !source.read(bytes.data(), static_cast<uint32_t>(bytes.size()), &got, &error) ||
        got != bytes.size()) {
        out.resourceError = "cannot read the executable's headers";
        return;
    }
    pe::Image image;
    if (!pe::Image::parse(std::move(bytes), image, out.resourceError)) return;
    out.machine = image.machine();
    out.subsystem = image.subsystem();
    const pe::DataDirectory security = image.directory(pe::kDirectorySecurity);
    out.signatureOffset = security.rva;  // a file offset for this directory
    out.signatureSize = security.size;
    const pe::DataDirectory resources = image.directory(pe::kDirectoryResource);
    if (resources.size == 0) return;
    for (const pe::Section& section : image.sections()) {
        if (resources.rva < section.virtualAddress || resources.rva - section.virtualAddress >= section.rawSize)
            continue;
        const std::string data = image.sectionData(section).substr(resources.rva - section.virtualAddress);
        if (!rsrc::decodeSection(data, resources.rva, out.resources, out.resourceError)) out.resources.clear();
        return;
    }
    out.resourceError = "the resource directory lies outside the sections";
}

}  // namespace

const rsrc::Resource* resourceOf(const InspectedExecutable& exe, uint32_t type, int id) {
    return rsrc::find(exe.resources, Name::number(type), Name::number(static_cast<uint32_t>(id)));
}

// The images of an icon group, as stored in the icon resources it names.
bool groupImages(const InspectedExecutable& exe, const rsrc::Resource& group, std::vector<images::IconImage>& out) {
    std::vector<images::GroupEntry> entries;
    std::string why;
    if (!images::readGroupDirectory(group.data, entries, why)) return false;
    out.clear();
    for (const images::GroupEntry& e : entries) {
        const rsrc::Resource* icon = resourceOf(exe, rsrc::kTypeIcon, e.id);
        if (icon == nullptr) return false;
        images::IconImage image = e.header;
        image.data = icon->data;
        out.push_back(std::move(image));
    }
    return true;
}

bool sameIconGroups(const InspectedExecutable& exe) {
    const rsrc::Resource* app = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::ApplicationIcon);
    const rsrc::Resource* splash = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::SplashIcon);
    return app != nullptr && splash != nullptr && app->data == splash->data;
}

// The raw-data copy is the default one: the bitmap's own file.
bool rawCopyOfBitmap(const InspectedExecutable& exe) {
    const rsrc::Resource* bitmap = resourceOf(exe, rsrc::kTypeBitmap, ResourceId::SplashBitmap);
    const rsrc::Resource* raw = resourceOf(exe, rsrc::kTypeRawData, ResourceId::SplashImage);
    return bitmap != nullptr && raw != nullptr && raw->data == images::bmpFile(bitmap->data);
}

std::optional<manifest::Options> manifestOptions(const InspectedExecutable& exe) {
    const rsrc::Resource* m = resourceOf(exe, rsrc::kTypeManifest, ResourceId::Manifest);
    if (m == nullptr) return std::nullopt;
    return manifest::recognize(m->data, exe.machine);
}

bool readExecutable(const std::string& path, InspectedExecutable& out, std::string& error) {
    errno = 0;
    HostFileSource source(path);
    if (!source.isOpen()) {
        error = path + ": cannot read the executable: " + systemReason(errno);
        return false;
    }
    block::BlockReader reader(source, [](const std::string&) {});
    if (!reader.locateAppendedData(&out.blockOffset)) {
        error = path + ": not a Windows executable (its PE headers cannot be read)";
        return false;
    }
    if (!reader.readBlock(out.block)) {
        error = path + ": not an executable built by qarvo-build: " +
                (reader.failure() == block::Failure::Magic
                     ? std::string("no configuration block follows its last section")
                     : "the configuration block after its last section is damaged or cut short");
        return false;
    }
    const uint64_t afterBlock = source.position();
    readImage(source, out);
    source.seek(afterBlock);
    std::string count, names;
    for (const block::NarrowEntry& e : out.block.narrow) {
        if (e.id == ConfigId::IncludedFileCount) count = e.value;
        if (e.id == ConfigId::IncludedFileNames) names = e.value;
    }
    const long long k = std::atoll(count.c_str());
    size_t start = 0;
    for (long long i = 0; i < k && start <= names.size(); ++i) {
        size_t end = names.find(';', start);
        if (end == std::string::npos) end = names.size();
        InspectedFile file;
        file.name = names.substr(start, end - start);
        if (file.name.empty()) break;
        if (!reader.readLong(&file.size)) {
            error = path + ": included file " + file.name + " is cut short";
            return false;
        }
        file.offset = source.position();
        if (file.size > 0) {
            if (static_cast<uint64_t>(file.size) > source.size() - file.offset) {
                error = path + ": included file " + file.name + " is cut short";
                return false;
            }
            source.seek(file.offset + static_cast<uint64_t>(file.size));
        }
        out.files.push_back(file);
        start = end + 1;
    }
    return true;
}
