// The host side of the fake jvm.dll's bridge: creates a real HotSpot in this
// process with JNI_CreateJavaVM of a JDK's libjvm.so, with the options the
// launcher gave the fake exactly as they were (only paths mapped to the host),
// then calls the class and method the launcher called, with its arguments.
// The fake under Wine cannot wait for this process, so everything it needs to
// know goes through files:
//
//   fakejre-bridge --jdk HOME | --java PATH  --files STEM  --version N
//                  --ignore-unrecognized 0|1  -- OPTION...
//
//   STEM.created  written once JNI_CreateJavaVM returned: its result
//   STEM.call     written by the fake when the launcher calls main: UTF-16LE
//                 fields, each ended by U+0000: class, method, signature,
//                 then the arguments (an empty class: the launcher ended
//                 without calling main)
//   STEM.marker   written here when main returned ("returned") or threw
//                 ("threw")
//   STEM.destroy  written by the fake when the launcher calls DestroyJavaVM
//                 (or its process ends) after main returned: then this
//                 process's DestroyJavaVM is called
//   STEM.control.<n>  (n = 1, 2, ...) written by the fake when another thread
//                 of the launcher calls a static void method (a stop method,
//                 System.exit): the fields of STEM.call, a jint argument as
//                 decimal text. Each is removed once read and called on a
//                 thread of its own, attached as a daemon.
//   STEM.reply.<n>  written here when that call returned ("returned") or
//                 threw ("threw", then the exception's toString() on the
//                 next line); System.exit ends this process instead.
//
// bridge.sh writes the exit status of this process to STEM.status.
#include <dlfcn.h>
#include <jni.h>
#include <limits.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Request {
    std::string jdkHome;
    std::string java;
    std::string stem;
    jint version = JNI_VERSION_1_2;
    bool ignoreUnrecognized = false;
    std::vector<std::string> options;
};

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "fakejre-bridge: %s\n", why.c_str());
    std::exit(2);
}

Request parse(int argc, char** argv) {
    Request request;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string key = argv[i];
        if (key == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc) fail("no value after " + key);
        const std::string value = argv[++i];
        if (key == "--jdk") request.jdkHome = value;
        else if (key == "--java") request.java = value;
        else if (key == "--files") request.stem = value;
        else if (key == "--version") request.version = static_cast<jint>(std::strtol(value.c_str(), nullptr, 0));
        else if (key == "--ignore-unrecognized") request.ignoreUnrecognized = value == "1";
        else fail("unknown argument " + key);
    }
    for (; i < argc; ++i) request.options.push_back(argv[i]);
    if (request.stem.empty()) fail("no --files");
    return request;
}

// The JDK home: given, or the one of a java executable (links resolved), or
// the system's default.
std::string jdkHome(const Request& request) {
    if (!request.jdkHome.empty()) return request.jdkHome;
    if (request.java.empty()) return "/usr/lib/jvm/default-java";
    char resolved[PATH_MAX];
    if (realpath(request.java.c_str(), resolved) == nullptr) fail("cannot resolve " + request.java);
    std::string path = resolved;
    for (int up = 0; up < 2; ++up) path = path.substr(0, path.rfind('/'));
    return path;
}

// Written whole under a temporary name and renamed, so a reader never sees a
// part of it.
void publish(const std::string& path, const std::string& text) {
    const std::string part = path + ".part";
    {
        std::ofstream out(part, std::ios::binary);
        out << text;
    }
    std::rename(part.c_str(), path.c_str());
}

// Waits for PATH (written whole and renamed there by the fake) and reads it.
// A change in its folder wakes the wait at once, so that each handshake costs
// the start no polling interval; a look every 10 ms covers a missed event.
std::u16string waitForFile(const std::string& path) {
    const int changes = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (changes >= 0) inotify_add_watch(changes, path.substr(0, path.rfind('/')).c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
    for (;;) {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            if (changes >= 0) close(changes);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::u16string text;
            for (size_t i = 0; i + 1 < bytes.size(); i += 2)
                text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                     static_cast<unsigned char>(bytes[i + 1]) << 8));
            return text;
        }
        if (changes < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        pollfd ready{changes, POLLIN, 0};
        if (poll(&ready, 1, 10) > 0) {
            char events[4096];
            while (read(changes, events, sizeof events) > 0) {
            }
        }
    }
}

std::vector<std::u16string> fields(const std::u16string& text) {
    std::vector<std::u16string> out;
    size_t start = 0;
    for (size_t end; (end = text.find(u'\0', start)) != std::u16string::npos; start = end + 1)
        out.push_back(text.substr(start, end - start));
    return out;
}

std::string narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(static_cast<char>(c));  // JNI names: ASCII
    return out;
}

// The strings from call[first] on as a String[]; null with an exception pending when it cannot be made.
jobjectArray stringArray(JNIEnv* env, const std::vector<std::u16string>& call, size_t first) {
    jclass string = env->FindClass("java/lang/String");
    if (string == nullptr) return nullptr;
    const size_t count = call.size() > first ? call.size() - first : 0;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(count), string, nullptr);
    for (size_t i = 0; array != nullptr && i < count; ++i) {
        const std::u16string& field = call[first + i];
        jstring text = env->NewString(reinterpret_cast<const jchar*>(field.data()), static_cast<jsize>(field.size()));
        if (text == nullptr) return nullptr;
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    return array;
}

// "threw" and the pending exception's toString(), which is cleared.
std::string thrown(JNIEnv* env) {
    jthrowable exception = env->ExceptionOccurred();
    env->ExceptionClear();
    std::string text = "?";
    jclass object = env->FindClass("java/lang/Object");
    jmethodID toString = object != nullptr ? env->GetMethodID(object, "toString", "()Ljava/lang/String;") : nullptr;
    jstring described = toString != nullptr ? static_cast<jstring>(env->CallObjectMethod(exception, toString)) : nullptr;
    if (described != nullptr) {
        if (const char* chars = env->GetStringUTFChars(described, nullptr)) {
            text = chars;
            env->ReleaseStringUTFChars(described, chars);
        }
    }
    env->ExceptionClear();
    return "threw\n" + text + "\n";
}

// A call of another thread of the launcher's, its arguments read by its
// signature: "()V" none, "(I)V" a jint, else the strings of main's.
std::string callStatic(JNIEnv* env, const std::vector<std::u16string>& call) {
    if (call.size() < 3) return "threw\nfakejre-bridge: a call without class, method and signature\n";
    const std::string signature = narrow(call[2]);
    jclass type = env->FindClass(narrow(call[0]).c_str());
    jmethodID method = type != nullptr ? env->GetStaticMethodID(type, narrow(call[1]).c_str(), signature.c_str()) : nullptr;
    if (method == nullptr) return thrown(env);
    if (signature == "()V") {
        env->CallStaticVoidMethod(type, method);
    } else if (signature == "(I)V") {
        const jint number = call.size() > 3 ? static_cast<jint>(std::strtol(narrow(call[3]).c_str(), nullptr, 10)) : 0;
        env->CallStaticVoidMethod(type, method, number);
    } else if (jobjectArray array = stringArray(env, call, 3)) {
        env->CallStaticVoidMethod(type, method, array);
    }
    return env->ExceptionCheck() ? thrown(env) : "returned\n";
}

// Serves STEM.control.1, .2, ... while this process lives, each call on a
// thread of its own attached as a daemon, so that none holds up
// DestroyJavaVM and a call that blocks holds up no later one.
void serveControls(JavaVM* vm, const std::string& stem) {
    for (int n = 1;; ++n) {
        const std::string path = stem + ".control." + std::to_string(n);
        const std::vector<std::u16string> call = fields(waitForFile(path));
        std::remove(path.c_str());
        std::thread([vm, call, reply = stem + ".reply." + std::to_string(n)] {
            JNIEnv* env = nullptr;
            if (vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK) {
                publish(reply, "threw\nfakejre-bridge: cannot attach a thread to the JVM\n");
                return;
            }
            const std::string outcome = callStatic(env, call);
            std::fflush(stdout);
            publish(reply, outcome);
            vm->DetachCurrentThread();
        }).detach();
    }
}

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

// What the launcher's main thread does: create, call, describe, destroy.
int run(const Request& request) {
    const std::string library = jdkHome(request) + "/lib/server/libjvm.so";
    void* jvm = dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (jvm == nullptr) fail(std::string("cannot load ") + dlerror());
    const auto create = reinterpret_cast<CreateJavaVm>(dlsym(jvm, "JNI_CreateJavaVM"));
    if (create == nullptr) fail("no JNI_CreateJavaVM in " + library);

    std::vector<JavaVMOption> options(request.options.size());
    for (size_t i = 0; i < options.size(); ++i) {
        options[i].optionString = const_cast<char*>(request.options[i].c_str());
        options[i].extraInfo = nullptr;
    }
    JavaVMInitArgs arguments{};
    arguments.version = request.version;
    arguments.nOptions = static_cast<jint>(options.size());
    arguments.options = options.data();
    arguments.ignoreUnrecognized = request.ignoreUnrecognized ? JNI_TRUE : JNI_FALSE;
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    const jint created = create(&vm, reinterpret_cast<void**>(&env), &arguments);
    publish(request.stem + ".created", std::to_string(created) + "\n");
    if (created != JNI_OK) return 1;
    std::thread(serveControls, vm, request.stem).detach();

    const std::vector<std::u16string> call = fields(waitForFile(request.stem + ".call"));
    if (call.size() < 3 || call[0].empty()) _exit(0);  // the launcher ended without calling main
    const std::string marker = request.stem + ".marker";
    const auto threw = [&] {
        env->ExceptionDescribe();
        std::fflush(stderr);
        publish(marker, "threw\n");
        _exit(1);  // the launcher ends at once, its JVM with it
    };
    jclass type = env->FindClass(narrow(call[0]).c_str());
    if (type == nullptr) threw();
    jmethodID method = env->GetStaticMethodID(type, narrow(call[1]).c_str(), narrow(call[2]).c_str());
    if (method == nullptr) threw();
    jobjectArray array = stringArray(env, call, 3);
    if (array == nullptr) threw();
    env->CallStaticVoidMethod(type, method, array);
    if (env->ExceptionOccurred() != nullptr) threw();
    std::fflush(stdout);
    publish(marker, "returned\n");
    // When the launcher destroys its JVM; calls from its other threads still
    // run meanwhile. DestroyJavaVM waits for the application's other threads.
    waitForFile(request.stem + ".destroy");
    vm->DestroyJavaVM();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Request request = parse(argc, argv);
    // Not on the process's first thread, as the java command does not either:
    // HotSpot sizes its stack guard pages for a thread it can measure.
    int code = 0;
    std::thread launcher([&] { code = run(request); });
    launcher.join();
    return code;
}
