// Executables with resources of their own, console executables and signed
// executables, as Windows (Wine) sees and runs them.
#include <gtest/gtest.h>

#include <string>

#include "builder/pe/manifest.h"
#include "builder/pe/pe_image.h"
#include "builder/pe/resource_section.h"
#include "tests/e2e/rig.h"

namespace {

const char* kNoJvmStart = "No JVM could be found on your system.";

// The resources as Windows reads them (a probe that runs here reads an
// executable of either architecture).
std::string probe(const std::string& exe) {
    auto result = rig::runWine(rig::distDirectory() + "/testing/resprobe-" + rig::defaultArch() + ".exe",
                               rig::withArgs({rig::windowsPath(exe)}));
    EXPECT_EQ(0, result.exitCode) << result.err;
    return result.out;
}

// Makes an image file with ImageMagick's convert; the last argument names
// the file in the workspace, with an optional "FORMAT:" prefix.
void makeImage(const rig::Workspace& ws, std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    const size_t colon = args.back().find(':');
    const std::string format = colon == std::string::npos ? "" : args.back().substr(0, colon + 1);
    args.back() = format + ws.file(args.back().substr(format.size()));
    auto result = rig::run(args);
    ASSERT_EQ(0, result.exitCode) << result.err;
}

void makeImages(const rig::Workspace& ws) {
    makeImage(ws, {"-size", "16x16", "xc:red", "i16.png"});
    makeImage(ws, {"-size", "32x32", "xc:blue", "i32.png"});
    makeImage(ws, {"-size", "48x48", "xc:green", "i48.png"});
    makeImage(ws, {ws.file("i16.png"), ws.file("i32.png"), ws.file("i48.png"), "app.ico"});
    makeImage(ws, {"-size", "120x80", "xc:navy", "-type", "truecolor", "BMP3:splash.bmp"});
    makeImage(ws, {"-size", "64x24", "xc:white", "splash.png"});
}

class ArchTest : public ::testing::TestWithParam<std::string> {
protected:
    std::string arch() const { return GetParam(); }
    rig::Workspace ws;
};

// The generic launcher as the builder needs it: its resources, then only its
// base relocations (which the builder moves to follow the new resources).
TEST_P(ArchTest, TheStubEndsWithItsResourceAndRelocationSections) {
    pe::Image stub;
    std::string error;
    ASSERT_TRUE(pe::Image::parse(rig::readFile(rig::stubPath(arch())), stub, error)) << error;
    const size_t count = stub.sections().size();
    ASSERT_LE(2u, count);
    EXPECT_EQ(".rsrc", stub.sections()[count - 2].name);
    EXPECT_EQ(".reloc", stub.sections().back().name);
    EXPECT_EQ(stub.bytes().size(), stub.endOfSections());
    EXPECT_EQ(stub.sections().back().virtualAddress, stub.directory(pe::kDirectoryBaseRelocation).rva);
    EXPECT_NE(0u, stub.directory(pe::kDirectoryBaseRelocation).size);
    // The linker's checksum is the one the builder computes.
    EXPECT_EQ(stub.checksum(), pe::checksumOf(stub.bytes(), stub.checksumOffset()));
    // The builder's default manifest is the launcher's own.
    std::vector<rsrc::Resource> resources;
    const pe::Section& last = stub.sections()[count - 2];
    ASSERT_TRUE(rsrc::decodeSection(stub.sectionData(last), last.virtualAddress, resources, error)) << error;
    const rsrc::Resource* manifest = rsrc::find(resources, rsrc::Name::number(24), rsrc::Name::number(1));
    ASSERT_NE(nullptr, manifest);
    EXPECT_EQ(manifest::launcherManifest(stub.machine(), {}), manifest->data);
}

TEST_P(ArchTest, IconSplashVersionAndManifestAreWhatWindowsReads) {
    makeImages(ws);
    auto built = rig::buildProject(ws, R"toml(
[application]
type = "console"
[resources]
icon = "app.ico"
splash-bitmap = "splash.bmp"
splash-image = "splash.png"
[version]
file-version = "3.1.4.1"
product-version = "3.1"
company = "Qarvo Tests"
description = "Résumé viewer"
copyright = "© 2024 Qarvo"
product-name = "Viewer"
[manifest]
dpi-awareness = "per-monitor-v2"
long-path-aware = true
)toml", "viewer.exe", arch());
    ASSERT_EQ(0, built.exitCode) << built.err;
    const std::string manifest = manifest::launcherManifest(arch() == "x86" ? pe::kMachineI386 : pe::kMachineAmd64,
                                                            {manifest::DpiAwareness::PerMonitorV2, true});
    EXPECT_EQ("icon 1: images=3 size=32x32\n"
              "icon 10000: images=3 size=32x32\n"
              "bitmap 10000: 120x80\n"
              "rcdata 10000: size=" + std::to_string(rig::readFile(ws.file("splash.png")).size()) +
                  " head=89504e470d0a1a0a\n"
                  "version: file=3.1.4.1 product=3.1.0.0\n"
                  "version CompanyName: Qarvo Tests\n"
                  "version FileDescription: Résumé viewer\n"
                  "version FileVersion: 3.1.4.1\n"
                  "version LegalCopyright: © 2024 Qarvo\n"
                  "version OriginalFilename: viewer.exe\n"
                  "version ProductName: Viewer\n"
                  "version ProductVersion: 3.1\n"
                  "manifest: size=" + std::to_string(manifest.size()) + "\n"
                  "message 1: event text\n"  // a service's events, as the event viewer shows them
                  "exetype: console\n",
              probe(ws.file("viewer.exe")));
    // Wine accepts the manifest and the launcher still finds its block.
    RIG_SKIP_UNLESS_RUNS(arch());
    auto result = rig::runWine(ws.file("viewer.exe"));
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(0u, result.err.find(kNoJvmStart)) << result.err;
}

TEST_P(ArchTest, PngImagesMakeOneIconAndTheBitmapIsItsOwnRawCopy) {
    makeImages(ws);
    auto built = rig::buildProject(ws, R"toml(
[resources]
icon = ["i16.png", "i32.png"]
splash-icon = "i48.png"
splash-bitmap = "splash.bmp"
)toml", "png.exe", arch());
    ASSERT_EQ(0, built.exitCode) << built.err;
    const std::string out = probe(ws.file("png.exe"));
    EXPECT_NE(std::string::npos, out.find("icon 1: images=2 size=32x32\n")) << out;
    EXPECT_NE(std::string::npos, out.find("icon 10000: images=1 size=48x48\n")) << out;
    EXPECT_NE(std::string::npos, out.find("rcdata 10000: size=" +
                                          std::to_string(rig::readFile(ws.file("splash.bmp")).size()) + " head=424d"))
        << out;
    EXPECT_EQ(std::string::npos, out.find("version")) << out;
}

TEST_P(ArchTest, InspectExtractRebuildsTheSameExecutable) {
    makeImages(ws);
    auto built = rig::buildProject(ws, R"toml(
[application]
name = "Round"
type = "gui"
[resources]
icon = ["i16.png", "i32.png"]
splash-icon = "app.ico"
splash-bitmap = "splash.bmp"
splash-image = "splash.png"
[version]
file-version = "1.0"
description = "Round trip"
[manifest]
dpi-awareness = "system"
[[files]]
source = "i16.png"
name = "lib\\icon.png"
)toml", "round.exe", arch());
    ASSERT_EQ(0, built.exitCode) << built.err;
    const std::string builder = rig::distDirectory() + "/bin/qarvo-build";
    auto inspected = rig::run({builder, "inspect", ws.file("round.exe"), "--extract", ws.file("out")});
    ASSERT_EQ(0, inspected.exitCode) << inspected.err;
    EXPECT_EQ("", inspected.err);
    ws.write("again.toml", inspected.out);
    auto rebuilt = rig::run({builder, "build", ws.file("again.toml"), "-o", ws.file("other-name.exe"), "--arch", arch()});
    ASSERT_EQ(0, rebuilt.exitCode) << rebuilt.err << inspected.out;
    const std::string bytes = rig::readFile(ws.file("round.exe"));
    EXPECT_TRUE(bytes == rig::readFile(ws.file("other-name.exe"))) << inspected.out;
    // The checksum covers the whole file, included files and all.
    pe::Image image;
    std::string error;
    ASSERT_TRUE(pe::Image::parse(bytes, image, error)) << error;
    EXPECT_EQ(pe::checksumOf(bytes, image.checksumOffset()), image.checksum());
}

INSTANTIATE_TEST_SUITE_P(Arch, ArchTest, ::testing::Values("x86", "x64"));

// The executable type sets the subsystem: console programs write their
// errors to the pipes they are given; GUI programs show boxes.
struct TypeCase {
    const char* name;
    const char* type;  // TOML value, or empty for none
    const char* exetype;
    bool errorOnStandardError;
};

class ExecutableTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ExecutableTypeTest, SetsTheSubsystem) {
    rig::Workspace ws;
    const std::string type = *GetParam().type ? std::string("[application]\ntype = ") + GetParam().type + "\n" : "";
    auto built = rig::buildProject(ws, type + "[messages]\nno-jvm-found = \"none ({0} bit)\"\n", "typed.exe");
    ASSERT_EQ(0, built.exitCode) << built.err;
    EXPECT_NE(std::string::npos, probe(ws.file("typed.exe")).find(std::string("exetype: ") + GetParam().exetype));
    auto result = rig::runWine(ws.file("typed.exe"));
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(GetParam().errorOnStandardError ? "none (" + rig::bits(rig::defaultArch()) + " bit)\n" : "", result.err);
}

INSTANTIATE_TEST_SUITE_P(Types, ExecutableTypeTest,
                         ::testing::Values(TypeCase{"consoleByName", "\"console\"", "console", true},
                                           TypeCase{"two", "2", "console", true},
                                           TypeCase{"none", "", "console", true},
                                           TypeCase{"guiByName", "\"gui\"", "gui", false},
                                           TypeCase{"five", "5", "gui", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Build first, then sign: the signature goes after everything the builder
// wrote, and the launcher still finds its block right after the last section.
class SigningTest : public ArchTest {
protected:
    void makeCertificate() {
        auto made = rig::run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                              "/CN=Qarvo Test Signing", "-keyout", ws.file("key.pem"), "-out", ws.file("cert.pem")});
        ASSERT_EQ(0, made.exitCode) << made.err;
    }
};

TEST_P(SigningTest, ASignedExecutableVerifiesAndStarts) {
    makeCertificate();
    ASSERT_EQ(0, rig::buildProject(ws, "[application]\ntype = \"console\"\n[version]\nfile-version = \"1.0\"\n",
                                   "app.exe", arch())
                     .exitCode);
    auto sign = rig::run({"osslsigncode", "sign", "-certs", ws.file("cert.pem"), "-key", ws.file("key.pem"), "-n",
                          "Qarvo test", "-in", ws.file("app.exe"), "-out", ws.file("signed.exe")});
    ASSERT_EQ(0, sign.exitCode) << sign.out << sign.err;
    auto verify = rig::run({"osslsigncode", "verify", "-CAfile", ws.file("cert.pem"), ws.file("signed.exe")});
    EXPECT_EQ(0, verify.exitCode) << verify.out << verify.err;
    EXPECT_NE(std::string::npos, verify.out.find("Signature verification: ok")) << verify.out;

    RIG_SKIP_UNLESS_RUNS(arch());
    auto result = rig::runWine(ws.file("signed.exe"));
    EXPECT_EQ(83, result.exitCode);
    EXPECT_EQ(0u, result.err.find(kNoJvmStart)) << result.err;

    // inspect reads the same configuration and reports the signature.
    const std::string builder = rig::distDirectory() + "/bin/qarvo-build";
    auto plain = rig::run({builder, "inspect", ws.file("app.exe")});
    auto signedOut = rig::run({builder, "inspect", ws.file("signed.exe")});
    ASSERT_EQ(0, signedOut.exitCode) << signedOut.err;
    const size_t note = signedOut.out.find("# Signed: certificate table of ");
    ASSERT_NE(std::string::npos, note) << signedOut.out;
    std::string withoutNote = signedOut.out;
    withoutNote.erase(note, withoutNote.find('\n', note) + 1 - note);
    EXPECT_EQ(plain.out, withoutNote);
}

TEST_P(SigningTest, SigningTheStubFirstIsRefused) {
    makeCertificate();
    auto sign = rig::run({"osslsigncode", "sign", "-certs", ws.file("cert.pem"), "-key", ws.file("key.pem"), "-in",
                          rig::stubPath(arch()), "-out", ws.file("signed-stub.exe")});
    ASSERT_EQ(0, sign.exitCode) << sign.out << sign.err;
    ws.write("app.toml", "[application]\ntype = 2\n");
    auto built = rig::run({rig::distDirectory() + "/bin/qarvo-build", "build", ws.file("app.toml"), "-o",
                           ws.file("app.exe"), "--arch", arch(), "--stub", ws.file("signed-stub.exe")});
    EXPECT_EQ(1, built.exitCode);
    EXPECT_NE(std::string::npos, built.err.find("the stub is signed; build from the unsigned launcher and sign the "
                                                "built executable"))
        << built.err;
}

INSTANTIATE_TEST_SUITE_P(Arch, SigningTest, ::testing::Values("x86", "x64"));

}  // namespace
