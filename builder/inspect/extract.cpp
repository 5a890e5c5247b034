#include "builder/inspect/extract.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "builder/host/file_source.h"
#include "builder/pe/images.h"
#include "builder/project/project_paths.h"
#include "builder/project/text_codec.h"
#include "format/block.h"
#include "format/resource_ids.h"

namespace {

// Files already there are kept unless the caller says to replace them.
bool mayWrite(const std::filesystem::path& path, bool force, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (!std::filesystem::exists(status)) return true;
    if (force && std::filesystem::is_regular_file(status)) return true;
    error = path.string() + (std::filesystem::is_regular_file(status)
                                 ? ": already exists; inspect --extract keeps existing files (--force replaces them)"
                                 : ": exists and is not a regular file; it is not replaced");
    return false;
}

bool writeBytes(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(openFile(path, "wb"), &std::fclose);
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size() || std::fclose(out.release()) != 0) {
        error = path.string() + ": cannot write: " + systemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

// One included file, unscrambled, from the executable to its target.
bool copyIncludedFile(std::FILE* in, const InspectedFile& file, const std::filesystem::path& target,
                      const std::string& executablePath, std::vector<char>& buffer, std::string& error) {
    const std::string relative = target.filename().string();
    std::error_code ec;
    std::filesystem::create_directories(target.parent_path(), ec);
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(openFile(target, "wb"), &std::fclose);
    if (!out) {
        error = target.string() + ": cannot write: " + systemReason(errno);
        return false;
    }
    if (!seekFile(in, file.offset)) {
        error = executablePath + ": cannot seek";
        return false;
    }
    int64_t left = file.size;
    while (left > 0) {
        size_t n = left < static_cast<int64_t>(buffer.size()) ? static_cast<size_t>(left) : buffer.size();
        if (std::fread(buffer.data(), 1, n, in) != n) {
            error = executablePath + ": included file " + relative + " is cut short";
            return false;
        }
        block::scramble(buffer.data(), n);
        errno = 0;
        if (std::fwrite(buffer.data(), 1, n, out.get()) != n) {
            error = target.string() + ": cannot write: " + systemReason(errno != 0 ? errno : EIO);
            return false;
        }
        left -= static_cast<int64_t>(n);
    }
    errno = 0;
    if (std::fclose(out.release()) != 0) {
        error = target.string() + ": cannot write: " + systemReason(errno != 0 ? errno : EIO);
        return false;
    }
    return true;
}

}  // namespace

bool extractFiles(const std::string& executablePath, const InspectedExecutable& exe, const std::string& directory,
                  bool force, std::string& error) {
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(openFile(executablePath, "rb"), &std::fclose);
    if (!in) {
        error = executablePath + ": cannot read the executable: " + systemReason(errno);
        return false;
    }
    std::vector<std::filesystem::path> targets;
    for (const InspectedFile& file : exe.files) {
        std::string why;
        if (!validIncludedName(file.name, why)) {
            error = "included file '" + ansiToUtf8(file.name) + "' not extracted: " + why;
            return false;
        }
        std::string relative = ansiToUtf8(file.name);
        for (char& c : relative)
            if (c == '\\') c = '/';
        targets.push_back(fsPath(directory) / fsPath(relative));
        if (!mayWrite(targets.back(), force, error)) return false;
    }
    std::vector<char> buffer(1 << 20);
    for (size_t i = 0; i < exe.files.size(); ++i)
        if (!copyIncludedFile(in.get(), exe.files[i], targets[i], executablePath, buffer, error)) return false;
    return true;
}

bool extractResources(InspectedExecutable& exe, const std::string& directory, bool force, std::string& error) {
    exe.extractedResources.clear();
    // A folder of its own, unless an included file already uses that name.
    std::string folder = "qarvo-resources";
    for (int n = 2;; ++n) {
        bool taken = false;
        for (const InspectedFile& f : exe.files)
            if (f.name.substr(0, f.name.find('\\')) == folder) taken = true;
        if (!taken) break;
        folder = "qarvo-resources-" + std::to_string(n);
    }
    const std::filesystem::path base = std::filesystem::absolute(fsPath(directory)).lexically_normal() / folder;
    struct Extracted {
        const char* key;
        std::string fileName;
        std::string bytes;
    };
    std::vector<Extracted> files;
    std::vector<images::IconImage> icon;
    const auto* appIcon = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::ApplicationIcon);
    if (appIcon != nullptr && groupImages(exe, *appIcon, icon))
        files.push_back({"resources.icon", "icon.ico", images::icoFile(icon)});
    const auto* splashIcon = resourceOf(exe, rsrc::kTypeGroupIcon, ResourceId::SplashIcon);
    if (splashIcon != nullptr && !sameIconGroups(exe) && groupImages(exe, *splashIcon, icon))
        files.push_back({"resources.splash-icon", "splash-icon.ico", images::icoFile(icon)});
    if (const auto* b = resourceOf(exe, rsrc::kTypeBitmap, ResourceId::SplashBitmap))
        files.push_back({"resources.splash-bitmap", "splash.bmp", images::bmpFile(b->data)});
    const auto* raw = resourceOf(exe, rsrc::kTypeRawData, ResourceId::SplashImage);
    if (raw != nullptr && !rawCopyOfBitmap(exe)) {
        const std::string kind = images::imageKind(raw->data);
        files.push_back({"resources.splash-image", "splash-image." + (kind.empty() ? std::string("bin") : kind), raw->data});
    }
    const auto* m = resourceOf(exe, rsrc::kTypeManifest, ResourceId::Manifest);
    if (m != nullptr && !manifestOptions(exe)) files.push_back({"manifest.file", "manifest.xml", m->data});
    for (const Extracted& file : files)
        if (!mayWrite(base / file.fileName, force, error)) return false;
    for (const Extracted& file : files) {
        const std::filesystem::path path = base / file.fileName;
        if (!writeBytes(path, file.bytes, error)) {
            exe.extractedResources.clear();
            return false;
        }
        exe.extractedResources.emplace_back(file.key, path.string());
    }
    return true;
}
