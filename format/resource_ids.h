// Resources of a launcher executable by type and id. The generic launcher
// ships with its manifest only; qarvo-build writes the others per application.
//
//   icon group 1            the application icon (the first icon group, the
//                           one Explorer and the taskbar show)
//   icon group 10000        ID_SPLASH_ICON, the class icon of the splash window
//   bitmap 10000            the splash image the launcher draws itself
//   raw data (type 10) 10000  the splash image handed to the Java runtime's
//                           splash library, in its stored bytes (PNG, JPEG, GIF)
//   version information 1   file and product version, company, description, ...
//   manifest 1              the application manifest
#pragma once

namespace ResourceId {
inline constexpr int ApplicationIcon = 1;
// ID_SPLASH_ICON.
inline constexpr int SplashIcon = 10000;
inline constexpr int SplashBitmap = 10000;
inline constexpr int SplashImage = 10000;
inline constexpr int VersionInfo = 1;
inline constexpr int Manifest = 1;
}  // namespace ResourceId
