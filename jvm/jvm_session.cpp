#include "jvm/jvm_session.h"

#include "jvm/search_rules.h"

JvmSession& jvmSession() {
    static JvmSession session;
    return session;
}

void setCreateJavaVmEntry(void* entry) { jvmSession().createEntry = entry; }
void* createJavaVmEntry() { return jvmSession().createEntry; }

std::string javaHomeOfExecutable(const std::string& javaExecutable) {
    return stripJavaExecutable(javaExecutable) + "..";
}

void setJvmHomeFromJavaExecutable(const std::string& javaExecutable) {
    jvmSession().home = javaHomeOfExecutable(javaExecutable);
}

const std::string& jvmHome() { return jvmSession().home; }

JNIEnv* attachCurrentThreadToJvm() {
    JvmSession& session = jvmSession();
    if (!session.created.load()) return nullptr;
    void* env = nullptr;
    if (session.vm->AttachCurrentThreadAsDaemon(&env, nullptr) != JNI_OK) return nullptr;
    return static_cast<JNIEnv*>(env);
}

void detachCurrentThreadFromJvm() {
    JvmSession& session = jvmSession();
    if (session.created.load()) session.vm->DetachCurrentThread();
}
