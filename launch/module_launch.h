// The options that start a modular application as "java -p PATH -m MODULE"
// does, and the options the builder took from the application jar's
// manifest. Independent of the platform: paths come in made absolute.
#pragma once

#include <string>

#include "config/launch_config.h"
#include "launch/vm_options.h"

// A main module as configured: "app" or "app/com.example.Main".
struct MainModuleName {
    std::string module;
    std::string mainClass;  // empty: the one the module's descriptor names
};
MainModuleName parseMainModule(const std::string& text);

// The main class the Java-side runtime is given: the class of the main
// module when it names one, otherwise the configured main class.
std::string mainClassArgument(const ApplicationSettings& settings);

// The system property through which the runtime learns the main module
// (the "java" command sets it for "-m" too).
inline constexpr const char* kMainModuleProperty = "jdk.module.main";

// For a main module: the module path (when there is one), the main module as
// the root to resolve, and java.base's jdk.internal.module for the runtime,
// which exports the main class's package to itself before it calls main (the
// "java" command calls main through JNI, which needs no export). Nothing for
// a class-path launch.
VmOptionList moduleLaunchOptions(const std::string& mainModule, const std::string& absoluteModulePath);

// Win32 layer: the options of the application jar's manifest (stored as the
// builder quotes VM parameters) and the module options above, for this launch, after the launcher's
// properties and before the configured VM parameters, so that options the
// user writes come later and win. Ends the launch with message 1007 when
// the stored manifest options cannot be split.
[[nodiscard]] Outcome addApplicationOptions(const ApplicationSettings& settings, VmOptionList& options);
