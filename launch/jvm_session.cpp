#include "launch/jvm_session.h"

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

JvmSession& jvmSession() {
    static JvmSession session;
    return session;
}

void setCreateJavaVmEntry(void* entry) { jvmSession().createEntry = entry; }
void* createJavaVmEntry() { return jvmSession().createEntry; }

std::string javaHomeOfExecutable(const std::string& javaExecutable) {
    const size_t cut = endsWith(javaExecutable, "javaw.exe") ? 9 : 8;
    return (javaExecutable.size() >= cut ? javaExecutable.substr(0, javaExecutable.size() - cut) : std::string()) +
           "..";
}

void setJvmHomeFromJavaExecutable(const std::string& javaExecutable) {
    jvmSession().home = javaHomeOfExecutable(javaExecutable);
}

const std::string& jvmHome() { return jvmSession().home; }

JNIEnv* attachCurrentThreadToJvm() {
    JvmSession& session = jvmSession();
    if (!session.created.load()) return nullptr;
    void* env = nullptr;
    if (session.vm->AttachCurrentThread(&env, nullptr) != JNI_OK) return nullptr;
    return static_cast<JNIEnv*>(env);
}

void detachCurrentThreadFromJvm() {
    JvmSession& session = jvmSession();
    if (session.created.load()) session.vm->DetachCurrentThread();
}
