#include "builder/pe/manifest.h"

#include "builder/pe/pe_image.h"

namespace manifest {

namespace {

// resources/launcher.manifest.in, the generic launcher's manifest, as the
// build generated it; "@MANIFEST_ARCH@" stands for the architecture.
const char kTemplate[] =
#include "default_manifest.inc"
    ;


std::string windowsSettings(const Options& options) {
    const char* ns2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings";
    const char* ns2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings";
    std::string settings;
    switch (options.dpi) {
        case DpiAwareness::Unaware: break;
        case DpiAwareness::System:
            settings += std::string("      <dpiAware xmlns=\"") + ns2005 + "\">true</dpiAware>\n";
            break;
        case DpiAwareness::PerMonitor:
            settings += std::string("      <dpiAware xmlns=\"") + ns2005 + "\">true/pm</dpiAware>\n";
            settings += std::string("      <dpiAwareness xmlns=\"") + ns2016 + "\">PerMonitor</dpiAwareness>\n";
            break;
        case DpiAwareness::PerMonitorV2:
            settings += std::string("      <dpiAware xmlns=\"") + ns2005 + "\">true/pm</dpiAware>\n";
            settings += std::string("      <dpiAwareness xmlns=\"") + ns2016 +
                        "\">PerMonitorV2, PerMonitor</dpiAwareness>\n";
            break;
    }
    if (options.longPathAware)
        settings += std::string("      <longPathAware xmlns=\"") + ns2016 + "\">true</longPathAware>\n";
    if (settings.empty()) return "";
    return "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n    <windowsSettings>\n" + settings +
           "    </windowsSettings>\n  </application>\n";
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

const std::vector<const char*>& dpiAwarenessNames() {
    static const std::vector<const char*> names = {"unaware", "system", "per-monitor", "per-monitor-v2"};
    return names;
}

std::optional<DpiAwareness> dpiAwarenessByName(const std::string& name) {
    const std::vector<const char*>& names = dpiAwarenessNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (name == names[i]) return static_cast<DpiAwareness>(i);
    return std::nullopt;
}

const char* dpiAwarenessName(DpiAwareness dpi) { return dpiAwarenessNames()[static_cast<size_t>(dpi)]; }

std::string launcherManifest(uint16_t machine, const Options& options) {
    std::string text = kTemplate;
    replaceAll(text, "@MANIFEST_ARCH@", machine == pe::kMachineAmd64 ? "amd64" : "X86");
    const size_t end = text.rfind("</assembly>");
    if (end != std::string::npos) text.insert(end, windowsSettings(options));
    return text;
}

std::optional<Options> recognize(const std::string& text, uint16_t machine) {
    for (int dpi = 0; dpi < 4; ++dpi) {
        for (bool longPaths : {false, true}) {
            const Options options{static_cast<DpiAwareness>(dpi), longPaths};
            if (launcherManifest(machine, options) == text) return options;
        }
    }
    return std::nullopt;
}

}  // namespace manifest
