#include "launch/java_vm_launcher.h"

#include "launch/launch_args.h"
#include "log/diaglog.h"

namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

// The exception pending on env, described (printed with its stack trace and
// cleared) when there is one.
bool describePendingException(JNIEnv* env) {
    if (env->ExceptionOccurred() == nullptr) return false;
    env->ExceptionDescribe();
    return true;
}

MainCallResult fillArguments(JNIEnv* env, const MainCall& call, jobjectArray& array) {
    const std::optional<ArgumentList> given = call.arguments();
    if (!given) return MainCallResult::ArgumentsInvalid;
    const ArgumentList& arguments = *given;
    logInfo("param count: %d", static_cast<int>(arguments.size()));
    array = env->NewObjectArray(static_cast<jsize>(arguments.size()), env->FindClass("java/lang/String"), nullptr);
    if (array == nullptr) return MainCallResult::ArrayNotCreated;
    for (size_t i = 0; i < arguments.size(); ++i) {
        logInfo("param %d: %s", static_cast<int>(i), call.logText(arguments[i]).c_str());
        jstring text = env->NewString(reinterpret_cast<const jchar*>(arguments[i].data()),
                                      static_cast<jsize>(arguments[i].size()));
        if (text == nullptr) return MainCallResult::StringNotCreated;
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    return MainCallResult::Returned;
}

}  // namespace

bool createJvm(VmOptionList options, ExitHook exitHook) {
    JvmSession& session = jvmSession();
    session.options = std::move(options);
    std::vector<JavaVMOption> jvmOptions(session.options.size());
    for (size_t i = 0; i < session.options.size(); ++i) {
        jvmOptions[i].optionString = session.options[i].data();
        jvmOptions[i].extraInfo = nullptr;
    }
    // Not an option of the JVM's own: it takes the function from extraInfo.
    static char exitOption[] = "exit";
    if (exitHook != nullptr) jvmOptions.push_back({exitOption, reinterpret_cast<void*>(exitHook)});
    JavaVMInitArgs arguments;
    arguments.version = JNI_VERSION_1_2;
    arguments.nOptions = static_cast<jint>(jvmOptions.size());
    arguments.options = jvmOptions.data();
    arguments.ignoreUnrecognized = JNI_TRUE;
    logInfo("vmoption count %d", static_cast<int>(session.options.size()));
    for (size_t i = 0; i < session.options.size(); ++i)
        logInfo("vmoption %d: %s", static_cast<int>(i), session.options[i].c_str());
    logInfo("Creating JVM");
    const auto create = reinterpret_cast<CreateJavaVm>(session.createEntry);
    JavaVM* vm = nullptr;
    void* env = nullptr;
    const bool ok = create != nullptr && create(&vm, &env, &arguments) == JNI_OK;
    if (!ok) {
        logError("could not initialize JVM");
        return false;
    }
    logInfo("JVM created");
    session.vm = vm;
    session.env = static_cast<JNIEnv*>(env);
    session.created.store(true);
    return true;
}

FirstRunResult checkFirstRun(JNIEnv* env, bool markerExists) {
    if (!markerExists) return FirstRunResult::Go;
    jclass firstRun = env->FindClass("com/morvantic/runtime/launcher/FirstRun");
    if (firstRun == nullptr) return FirstRunResult::ClassNotFound;
    jmethodID method = env->GetStaticMethodID(firstRun, "firstRun", "()Z");
    if (method == nullptr) return FirstRunResult::MethodNotFound;
    const jboolean goOn = env->functions->CallStaticBooleanMethod(env, firstRun, method);
    if (describePendingException(env)) return FirstRunResult::Stop;
    return goOn ? FirstRunResult::Go : FirstRunResult::Stop;
}

MainCallResult callLauncherMain(const MainCall& call) {
    JNIEnv* env = jvmSession().env;
    if (call.firstRunHook) {
        switch (checkFirstRun(env, call.firstRunMarkerExists())) {
            case FirstRunResult::ClassNotFound: return MainCallResult::FirstRunClassNotFound;
            case FirstRunResult::MethodNotFound: return MainCallResult::FirstRunMethodNotFound;
            case FirstRunResult::Stop:
                logInfo("checkFirstRun stopped further execution");
                return MainCallResult::StoppedByFirstRun;
            case FirstRunResult::Go: break;
        }
    }
    const std::string className = jniClassName(call.launcherClass);
    logInfo("main class: %s", className.c_str());
    jclass launcher = env->FindClass(className.c_str());
    if (launcher == nullptr) {
        logError("could not find main class");
        return MainCallResult::ClassNotFound;
    }
    jmethodID main = env->GetStaticMethodID(launcher, "main", "([Ljava/lang/String;)V");
    if (main == nullptr) {
        logError("could not find main method");
        return MainCallResult::MethodNotFound;
    }
    jobjectArray array = nullptr;
    const MainCallResult filled = fillArguments(env, call, array);
    if (filled != MainCallResult::Returned) return filled;
    logInfo("calling main");
    env->functions->CallStaticVoidMethod(env, launcher, main, array);
    logInfo("main returned");
    if (env->ExceptionOccurred() != nullptr) {
        logError("an exception occured");
        env->ExceptionDescribe();
        return MainCallResult::Threw;
    }
    return MainCallResult::Returned;
}

void destroyJvm() {
    logInfo("dest JVM");
    jvmSession().vm->DestroyJavaVM();
}
