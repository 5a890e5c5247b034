#include "builder/output/resource_build.h"

#include "builder/host/file_source.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "builder/pe/images.h"
#include "builder/pe/manifest.h"
#include "builder/pe/version_info.h"
#include "config/config.h"
#include "format/config_ids.h"
#include "format/resource_ids.h"

namespace {

using rsrc::Name;
using rsrc::Resource;

Name number(int id) { return Name::number(static_cast<uint32_t>(id)); }

class ResourceEditor {
public:
    ResourceEditor(const FileReader& readFile, std::vector<Resource>& resources, std::string& error)
        : readFile_(readFile), resources_(resources), error_(error) {}

    bool read(const SourceFile& source, std::string& bytes) {
        std::string reason;
        if (readFile_(source.path, bytes, reason)) return true;
        return fail(source, "cannot read the file: " + reason);
    }

    bool fail(const SourceFile& source, const std::string& message) {
        error_ = source.where + ": " + source.path + ": " + message;
        return false;
    }

    bool iconImages(const std::vector<SourceFile>& sources, std::vector<images::IconImage>& out) {
        out.clear();
        for (const SourceFile& source : sources) {
            std::string bytes, why;
            if (!read(source, bytes)) return false;
            if (images::imageKind(bytes) == "png") {
                images::IconImage image;
                if (!images::pngIconImage(bytes, image, why)) return fail(source, why);
                out.push_back(std::move(image));
                continue;
            }
            if (sources.size() > 1) return fail(source, "an icon made of several files takes PNG images only");
            if (!images::readIcoFile(bytes, out, why)) return fail(source, why + "; give a .ico file or PNG images");
        }
        return true;
    }

    // Removes an icon group and the icon images no other group uses.
    void removeGroup(int groupId) {
        const Resource* group = rsrc::find(resources_, Name::number(rsrc::kTypeGroupIcon), number(groupId));
        if (group == nullptr) return;
        std::vector<images::GroupEntry> entries;
        std::string why;
        images::readGroupDirectory(group->data, entries, why);
        rsrc::remove(resources_, Name::number(rsrc::kTypeGroupIcon), number(groupId));
        for (const images::GroupEntry& entry : entries)
            if (!iconUsedByAGroup(entry.id)) rsrc::remove(resources_, Name::number(rsrc::kTypeIcon), number(entry.id));
    }

    // Stores the images as icon resources and a group naming them.
    void addGroup(int groupId, const std::vector<images::IconImage>& icon) {
        uint32_t first = 1;
        for (const Resource& r : resources_)
            if (r.type == Name::number(rsrc::kTypeIcon) && r.name.numeric) first = std::max(first, r.name.id + 1);
        for (size_t i = 0; i < icon.size(); ++i)
            rsrc::put(resources_, {Name::number(rsrc::kTypeIcon), number(static_cast<int>(first + i)),
                                   rsrc::kDefaultLanguage, icon[i].data, 0});
        putGroupData(groupId, images::groupDirectory(icon, static_cast<uint16_t>(first)));
    }

    void copyGroup(int from, int to) {
        const Resource* group = rsrc::find(resources_, Name::number(rsrc::kTypeGroupIcon), number(from));
        if (group != nullptr) putGroupData(to, group->data);
    }

    void putGroupData(int groupId, std::string data) {
        rsrc::put(resources_, {Name::number(rsrc::kTypeGroupIcon), number(groupId), rsrc::kDefaultLanguage,
                               std::move(data), 0});
    }

    // Replaces (type, id) in every language by one resource, keeping the
    // language of the resource it replaces when there was exactly one.
    void replace(uint32_t type, int id, std::string data) {
        uint16_t language = rsrc::kDefaultLanguage;
        int found = 0;
        for (const Resource& r : resources_) {
            if (r.type == Name::number(type) && r.name == number(id)) {
                language = r.language;
                ++found;
            }
        }
        if (found != 1) language = rsrc::kDefaultLanguage;
        rsrc::put(resources_, {Name::number(type), number(id), language, std::move(data), 0});
    }

private:
    bool iconUsedByAGroup(uint16_t iconId) const {
        for (const Resource& r : resources_) {
            if (!(r.type == Name::number(rsrc::kTypeGroupIcon))) continue;
            std::vector<images::GroupEntry> entries;
            std::string why;
            if (!images::readGroupDirectory(r.data, entries, why)) continue;
            for (const images::GroupEntry& e : entries)
                if (e.id == iconId) return true;
        }
        return false;
    }

    const FileReader& readFile_;
    std::vector<Resource>& resources_;
    std::string& error_;
};

bool applyIcons(const ResourcePlan& plan, ResourceEditor& editor) {
    std::vector<images::IconImage> icon, splash;
    if (!editor.iconImages(plan.icon, icon) || !editor.iconImages(plan.splashIcon, splash)) return false;
    if (!icon.empty()) editor.removeGroup(ResourceId::ApplicationIcon);
    if (!icon.empty() || !splash.empty()) editor.removeGroup(ResourceId::SplashIcon);
    if (!icon.empty()) editor.addGroup(ResourceId::ApplicationIcon, icon);
    if (!splash.empty()) {
        editor.addGroup(ResourceId::SplashIcon, splash);
    } else if (!icon.empty()) {
        // The splash window shows the application icon: a second group
        // naming the same images.
        editor.copyGroup(ResourceId::ApplicationIcon, ResourceId::SplashIcon);
    }
    return true;
}

bool applySplash(const ResourcePlan& plan, ResourceEditor& editor) {
    std::string bitmapFile;
    for (const SourceFile& source : plan.splashBitmap) {
        std::string dib, why;
        if (!editor.read(source, bitmapFile)) return false;
        if (!images::bitmapResource(bitmapFile, dib, why)) return editor.fail(source, why);
        editor.replace(rsrc::kTypeBitmap, ResourceId::SplashBitmap, std::move(dib));
    }
    for (const SourceFile& source : plan.splashImage) {
        std::string bytes;
        if (!editor.read(source, bytes)) return false;
        if (images::imageKind(bytes).empty()) return editor.fail(source, "not a PNG, JPEG, GIF or BMP image");
        editor.replace(rsrc::kTypeRawData, ResourceId::SplashImage, std::move(bytes));
    }
    // Without an image of its own, the raw-data copy holds the bitmap's file.
    if (plan.splashImage.empty() && !plan.splashBitmap.empty())
        editor.replace(rsrc::kTypeRawData, ResourceId::SplashImage, bitmapFile);
    return true;
}

bool applyManifest(const ResourcePlan& plan, uint16_t machine, ResourceEditor& editor) {
    for (const SourceFile& source : plan.manifestFile) {
        std::string text;
        if (!editor.read(source, text)) return false;
        if (text.find("<assembly") == std::string::npos) return editor.fail(source, "not an application manifest");
        editor.replace(rsrc::kTypeManifest, ResourceId::Manifest, std::move(text));
    }
    if (plan.manifestOptions)
        editor.replace(rsrc::kTypeManifest, ResourceId::Manifest, manifest::launcherManifest(machine, plan.manifest));
    return true;
}

void applyVersion(const ResourcePlan& plan, const std::string& outputName, ResourceEditor& editor) {
    if (!plan.hasVersion) return;
    version::VersionInfo info = plan.version;
    const bool named = std::any_of(info.strings.begin(), info.strings.end(),
                                   [](const auto& s) { return s.first == "OriginalFilename"; });
    if (!named) info.strings.emplace_back("OriginalFilename", std::u16string(outputName.begin(), outputName.end()));
    version::sortStrings(info);
    editor.replace(rsrc::kTypeVersion, ResourceId::VersionInfo, version::encode(info));
}

int executableType(const block::RawBlock& block) {
    int type = 0;
    for (const block::NarrowEntry& e : block.narrow)
        if (e.id == ConfigId::ExecutableType) type = parseLeadingInt(e.value);
    return type;
}

int intValue(const block::RawBlock& block, int id) {
    int value = 0;
    for (const block::NarrowEntry& e : block.narrow)
        if (e.id == id) value = parseLeadingInt(e.value);
    return value;
}

bool flagOn(const block::RawBlock& block, int id) { return intValue(block, id) != 0; }

// The launcher's own splash window is as large as entries 141 x 142 say.
void warnAboutSplashSize(const block::RawBlock& block, const rsrc::Resource& bitmap, std::vector<std::string>& warnings) {
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    if (!images::bitmapSize(bitmap.data, width, height, bits)) return;
    const std::string size = std::to_string(width) + " x " + std::to_string(std::abs(height));
    if (intValue(block, ConfigId::SplashWidth) <= 0 || intValue(block, ConfigId::SplashHeight) <= 0)
        warnings.push_back("splash.show is on, but splash.width and splash.height are not set: the splash window "
                           "has no size (the splash bitmap is " + size + ")");
}

}  // namespace

bool readHostFile(const std::string& path, std::string& bytes, std::string& reason) {
    return readWholeFile(path, bytes, reason);
}

uint16_t subsystemForType(int executableType) {
    return executableType == 1 || executableType == 5 ? pe::kSubsystemGui : pe::kSubsystemConsole;
}

bool applyResources(const ResourcePlan& plan, uint16_t machine, const std::string& outputName,
                    const FileReader& readFile, std::vector<rsrc::Resource>& resources, std::string& error) {
    ResourceEditor editor(readFile, resources, error);
    if (!applyIcons(plan, editor) || !applySplash(plan, editor) || !applyManifest(plan, machine, editor)) return false;
    applyVersion(plan, outputName, editor);
    return true;
}

std::vector<std::string> resourceWarnings(const block::RawBlock& block, const std::vector<rsrc::Resource>& resources) {
    std::vector<std::string> warnings;
    if (!flagOn(block, ConfigId::ShowSplash)) return warnings;
    const bool throughRuntime = flagOn(block, ConfigId::SplashThroughRuntime);
    const uint32_t type = throughRuntime ? rsrc::kTypeRawData : rsrc::kTypeBitmap;
    const rsrc::Resource* image = rsrc::find(resources, Name::number(type), number(ResourceId::SplashBitmap));
    if (image == nullptr)
        warnings.push_back(throughRuntime ? "splash.show and splash.through-runtime are on, but no splash image is "
                                            "set (resources.splash-image or resources.splash-bitmap)"
                                          : "splash.show is on, but no splash bitmap is set (resources.splash-bitmap)");
    else if (!throughRuntime)
        warnAboutSplashSize(block, *image, warnings);
    return warnings;
}

bool buildImage(const std::string& stub, const std::string& stubPath, const BuildPlan& plan,
                const std::string& outputName, const FileReader& readFile, pe::Image& image,
                std::vector<std::string>& warnings, std::string& error) {
    std::string why;
    if (!pe::Image::parse(stub, image, why)) {
        error = stubPath + ": not a launcher stub: " + why;
        return false;
    }
    if (image.directory(pe::kDirectorySecurity).size != 0) {
        error = stubPath + ": the stub is signed; build from the unsigned launcher and sign the built executable";
        return false;
    }
    if (image.endOfSections() != stub.size()) {
        error = stubPath + ": the stub has " + std::to_string(stub.size() - image.endOfSections()) +
                " bytes after its last section; is it a built executable rather than the generic launcher?";
        return false;
    }
    // The resource section comes last, or only the base relocations follow
    // it: they move to follow its new end.
    size_t index = image.sections().size() - 1;
    const pe::Section& end = image.sections().back();
    if (index > 0 && end.name == ".reloc" && image.directory(pe::kDirectoryBaseRelocation).rva == end.virtualAddress)
        --index;
    const pe::Section last = image.sections()[index];
    if (last.name != ".rsrc" || image.directory(pe::kDirectoryResource).rva != last.virtualAddress) {
        error = stubPath + ": the stub's last section is " + end.name +
                ", not its resource section; the launcher must be linked with .rsrc last (or followed by .reloc only)";
        return false;
    }
    std::vector<rsrc::Resource> resources;
    if (!rsrc::decodeSection(image.sectionData(last), last.virtualAddress, resources, why)) {
        error = stubPath + ": " + why;
        return false;
    }
    if (!applyResources(plan.resources, image.machine(), outputName, readFile, resources, error)) return false;
    const std::string section = rsrc::encodeSection(resources, last.virtualAddress);
    if (!image.replaceSection(index, section, why)) {
        error = stubPath + ": " + why;
        return false;
    }
    image.setDirectory(pe::kDirectoryResource, {last.virtualAddress, static_cast<uint32_t>(section.size())});
    image.setSubsystem(subsystemForType(executableType(plan.block)));
    for (std::string& warning : resourceWarnings(plan.block, resources)) warnings.push_back(std::move(warning));
    return true;
}
