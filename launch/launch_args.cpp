#include "launch/launch_args.h"

namespace {

std::string property(const char* name, const std::string& value) { return std::string("-D") + name + "=" + value; }

}  // namespace

std::vector<std::string> launchProperties(const LaunchFacts& facts) {
    std::vector<std::string> properties;
    if (facts.semaphoreName) properties.push_back(property("qarvo.semaphoreName", *facts.semaphoreName));
    if (facts.productKind == 'm') properties.push_back(property("qarvo.isMorvantic", "true"));
    properties.push_back(property("qarvo.moduleName", facts.executablePath));
    properties.push_back(property("sun.java.command", facts.executablePath));
    if (facts.communicationFile) {
        properties.push_back(property("qarvo.processCommFile", *facts.communicationFile));
        if (facts.commandLine == CommandLineRules::Windows) properties.push_back(property("qarvo.commandLineRules", "windows"));
    }
    properties.push_back(property("qarvo.tempDir", facts.extractionDirectory));
    properties.push_back(
        property("qarvo.unextractedPosition", std::to_string(facts.languageRestart ? -1 : facts.unextractedPosition)));
    properties.push_back("-Djava.library.path=" + facts.path);
    if (facts.consoleCodePage)
        properties.push_back(property("qarvo.consoleCodepage", "cp" + std::to_string(*facts.consoleCodePage)));
    if (!facts.serviceName.empty()) properties.push_back(property("qarvo.service.name", facts.serviceName));
    return properties;
}

ArgumentList launcherMainArguments(const MainArgumentFacts& facts, const ArgumentList& commandLine) {
    ArgumentList arguments = {facts.windowed ? u"true" : u"false", facts.mainClass, facts.errorFile, facts.outputFile,
                              facts.append ? u"true" : u"false"};
    if (!commandLine.empty()) arguments.push_back(commandLine[0]);
    arguments.insert(arguments.end(), facts.fixedArguments.begin(), facts.fixedArguments.end());
    for (size_t i = 1; i < commandLine.size(); ++i) {
        if (facts.javaOptionArguments && commandLine[i].compare(0, 2, u"-J") == 0) continue;
        arguments.push_back(commandLine[i]);
    }
    return arguments;
}

std::string redirectPath(const std::string& expanded, const std::function<std::string(const std::string&)>& resolve) {
    if (!expanded.empty() && expanded[0] == '$') return expanded;
    return resolve(expanded);
}

const char* runtimeLauncherClass(char productKind) {
    return productKind == 'm' ? "com/morvantic/runtime/launcher/WinLauncher" : "com/qarvo/runtime/WinLauncher";
}

std::string jniClassName(std::string name) {
    for (char& c : name)
        if (c == '.') c = '/';
    return name;
}
