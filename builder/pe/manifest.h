// The application manifest the builder writes: the generic launcher's own
// (common controls 6.0.0.0 for the executable's processor architecture,
// asInvoker without UI access, the Windows versions from 7 to 11 as supported
// ones), with optional DPI and long-path awareness.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace manifest {

enum class DpiAwareness { Unaware, System, PerMonitor, PerMonitorV2 };

struct Options {
    DpiAwareness dpi = DpiAwareness::Unaware;
    bool longPathAware = false;
    bool operator==(const Options&) const = default;
};

// "unaware", "system", "per-monitor", "per-monitor-v2", in the order of DpiAwareness.
const std::vector<const char*>& dpiAwarenessNames();
std::optional<DpiAwareness> dpiAwarenessByName(const std::string& name);
const char* dpiAwarenessName(DpiAwareness dpi);

// The manifest for a machine type of the PE header (x86 or x64).
std::string launcherManifest(uint16_t machine, const Options& options);
// The options that give exactly this manifest, if any.
std::optional<Options> recognize(const std::string& text, uint16_t machine);

}  // namespace manifest
