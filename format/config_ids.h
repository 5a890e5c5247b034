// Numeric ids of the entries of the embedded configuration block.
// Every reader and writer names entries through these constants.
#pragma once

namespace ConfigId {
inline constexpr int AppName = 101;
inline constexpr int RedirectStderr = 102;
inline constexpr int StderrFile = 103;
inline constexpr int RedirectStdout = 104;
inline constexpr int StdoutFile = 105;
inline constexpr int AppendRedirect = 106;
inline constexpr int ExecutableType = 107;
inline constexpr int ShowSplash = 108;
inline constexpr int ClassPath = 121;
inline constexpr int MainClass = 122;
inline constexpr int VmParameters = 123;
inline constexpr int FixedArguments = 124;
inline constexpr int JavaOptionArguments = 125;
inline constexpr int MinVersion = 126;
inline constexpr int MaxVersion = 127;
inline constexpr int SearchSequence = 128;
inline constexpr int AllowBeta = 130;
inline constexpr int JdkRequired = 131;
inline constexpr int SplashWidth = 141;
inline constexpr int SplashHeight = 142;
inline constexpr int SplashAutoOff = 145;
inline constexpr int WorkingDirectory = 146;
inline constexpr int SplashTopmost = 147;
inline constexpr int VmKindDirectory = 152;
inline constexpr int ConsoleSwitches = 154;
inline constexpr int ConsoleSwitchOnly = 156;
inline constexpr int GlobalSingleInstance = 158;
inline constexpr int InstallationId = 160;
inline constexpr int FirstMessage = 1000;
inline constexpr int LastMessage = 1020;
inline constexpr int ProductKind = 2001;
inline constexpr int IncludedFileCount = 2002;
inline constexpr int IncludedFileNames = 2003;
inline constexpr int AppRoot = 10003;
inline constexpr int NativeLibraryDirectory = 10004;
inline constexpr int SingleInstance = 10005;
inline constexpr int SplashText1X = 10109;
inline constexpr int SplashText1Y = 10110;
inline constexpr int SplashText1 = 10111;
inline constexpr int SplashText1Font = 10112;
inline constexpr int SplashText1Size = 10113;
inline constexpr int SplashText1Color = 10114;
inline constexpr int SplashText1Weight = 10115;
inline constexpr int SplashText2X = 10116;
inline constexpr int SplashText2Y = 10117;
inline constexpr int SplashText2 = 10118;
inline constexpr int SplashText2Font = 10119;
inline constexpr int SplashText2Size = 10120;
inline constexpr int SplashText2Color = 10121;
inline constexpr int SplashText2Weight = 10122;
inline constexpr int SplashThroughRuntime = 10123;
// The folder under the user's application data that holds the user's own
// VM option file.
inline constexpr int UserOptionsFolder = 10130;
// "0": no class-data archive of the launcher's own; absent or "1": one per
// user, runtime and class path, for runtimes that can create it.
inline constexpr int ClassDataSharing = 10135;
// A modular application: the main module, "app" or "app/com.example.Main",
// and the module path, entries separated by ";" and relative to the
// executable's directory.
inline constexpr int MainModule = 10140;
inline constexpr int ModulePath = 10141;
// VM options the builder took from the application jar's manifest
// (Add-Opens, Add-Exports, Enable-Native-Access), as "java -jar" applies them.
inline constexpr int JarManifestOptions = 10142;
// "windows": the process command line is split by the Microsoft C runtime's
// argv rules; absent (or any other text): by the launcher's classic rules.
inline constexpr int CommandLineRules = 10143;
// For each included file, in the order of entry 2003: "<SHA-256>:<size>"
// for one that comes from the per-user archive cache, empty for one
// extracted at each start; ";" between them. Absent: all are extracted.
inline constexpr int IncludedFileCache = 10144;
// A Windows service. The service's name (letters, digits, "-", "_" and ".",
// 1 to 256 characters); its presence makes the executable a service
// executable. The builder writes the entries marked "always" with every
// service name it writes from [service].
inline constexpr int ServiceName = 10150;
// The name the service controller shows (always).
inline constexpr int ServiceDisplayName = 10151;
// The service's description; absent: none.
inline constexpr int ServiceDescription = 10152;
// "manual", "auto", "delayed-auto" or "disabled" (always).
inline constexpr int ServiceStart = 10153;
// "local-service", "network-service", "local-system" or "virtual" (always).
inline constexpr int ServiceAccount = 10154;
// The services it needs, by name, separated by ";"; absent: none.
inline constexpr int ServiceDependsOn = 10155;
// Seconds a stop may take, decimal, 1 to 3600 (always).
inline constexpr int ServiceStopTimeout = 10156;
// The static method that stops the application, as "com.example.Main.stop";
// absent: none.
inline constexpr int ServiceStopMethod = 10157;
// Seconds before each restart after a failure, decimal, 0 to 86400, at most
// 16, separated by ";"; absent: no restart.
inline constexpr int ServiceRestartOnFailure = 10158;
// The size in bytes at which the service's log is rolled, decimal (always).
inline constexpr int ServiceLogMaxSize = 10159;
// How many rolled logs are kept, 1 to 100 (always).
inline constexpr int ServiceLogKeep = 10160;
}  // namespace ConfigId

// User-visible message texts live under these ids; "{0}" is the one placeholder.
namespace MessageId {
inline constexpr int ErrorCaption = 1000;
inline constexpr int JvmCouldNotStart = 1005;
inline constexpr int FileNotFound = 1006;
inline constexpr int InvalidParameters = 1007;
inline constexpr int VariableUndefined = 1008;
inline constexpr int InternalError = 1009;
inline constexpr int MainClassNotLoaded = 1010;
inline constexpr int MainMethodNotFound = 1011;
inline constexpr int PowerUserRequired = 1015;
inline constexpr int NoJvmFound = 1016;
inline constexpr int EnvVarJvmBroken32 = 1017;
inline constexpr int EnvVarJvmBroken64 = 1018;
inline constexpr int JvmDamaged32 = 1019;
inline constexpr int JvmDamaged64 = 1020;
}  // namespace MessageId
