#include "builder/output/stub.h"

#include "builder/host/file_source.h"
#include "builder/host/system.h"
#include "builder/pe/pe_image.h"
#include "builder/project/project_paths.h"
#include "builder/project/schema.h"
#include "builder/project/text_codec.h"

std::string ownStub(const std::string& arch) {
    return (ownDirectory() / ".." / "stubs" / ("launcher-" + arch + ".exe")).string();
}

std::string ownRuntimeJar() { return (ownDirectory() / ".." / "lib" / kRuntimeJarName).string(); }

std::string docsDirectory() { return (ownDirectory().parent_path() / "docs").lexically_normal().string(); }

std::string schemaLocation() {
    const std::filesystem::path schema = (ownDirectory().parent_path() / "schema" / kProjectSchemaName).lexically_normal();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(schema, ec)) return "";
    return fileUrl(std::filesystem::absolute(schema, ec).string(), hostPathStyle());
}

bool checkStubArch(const std::string& stub, const std::string& arch, const std::string& archFrom, std::string& error) {
    std::string bytes, reason;
    if (!readWholeFile(stub, bytes, reason)) {
        error = stub + ": cannot read the launcher stub: " + reason;
        return false;
    }
    pe::Image image;
    std::string why;
    if (!pe::Image::parse(std::move(bytes), image, why)) {
        error = stub + ": not a launcher stub: " + why;
        return false;
    }
    const std::string stubArch = image.machine() == pe::kMachineAmd64 ? "x64" : image.machine() == pe::kMachineI386 ? "x86" : "";
    if (stubArch != arch) {
        error = stub + ": the stub is " + (stubArch.empty() ? std::string("for another processor") : "an " + stubArch + " launcher") +
                ", but the build is for " + arch + " (" + archFrom + "); give a stub of that architecture or change the architecture";
        return false;
    }
    return true;
}

bool findRuntimeJar(BuildPlan& plan, const std::string& jar, std::string& error) {
    if (plan.runtimeJar == RuntimeJar::None) return true;
    if (!std::filesystem::is_regular_file(fsPath(jar))) {
        error = jar + ": no runtime archive here (give one with --runtime-jar, or set [runtime] jar = \"none\")";
        return false;
    }
    for (IncludedFile& file : plan.files)
        if (file.source.empty()) file.source = jar;
    return true;
}

bool copyRuntimeJarBeside(const std::string& jar, const std::filesystem::path& target, std::string& error) {
    std::error_code ec;
    if (!sameFile(jar, target.string())) copyFileOver(jar, target, ec);
    if (ec) {
        error = target.string() + ": cannot copy the runtime archive here: " + ec.message();
        return false;
    }
    return true;
}

std::string buildSummary(const std::string& output, const std::string& arch, const BuildPlan& plan) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(fsPath(output), ec);
    std::string text = output + ": " + arch + ", " + std::to_string(ec ? 0 : size) + " bytes, ";
    if (plan.files.empty()) return text + "no included files";
    text += std::to_string(plan.files.size()) + (plan.files.size() == 1 ? " included file (" : " included files (");
    for (size_t i = 0; i < plan.files.size(); ++i) text += (i > 0 ? ", " : "") + ansiToUtf8(plan.files[i].name);
    text += ")";
    if (plan.runtimeJar == RuntimeJar::Beside) text += ", " + std::string(kRuntimeJarName) + " beside it";
    return text;
}
