#include "launch/jvm_session.h"

namespace {

struct SessionState {
    void* createEntry = nullptr;
    std::string home;
};

SessionState& state() {
    static SessionState s;
    return s;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

void setCreateJavaVmEntry(void* entry) { state().createEntry = entry; }
void* createJavaVmEntry() { return state().createEntry; }

std::string javaHomeOfExecutable(const std::string& javaExecutable) {
    const size_t cut = endsWith(javaExecutable, "javaw.exe") ? 9 : 8;
    return (javaExecutable.size() >= cut ? javaExecutable.substr(0, javaExecutable.size() - cut) : std::string()) +
           "..";
}

void setJvmHomeFromJavaExecutable(const std::string& javaExecutable) {
    state().home = javaHomeOfExecutable(javaExecutable);
}

const std::string& jvmHome() { return state().home; }
