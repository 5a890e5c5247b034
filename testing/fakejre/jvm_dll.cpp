// Fake jvm.dll: JNI_CreateJavaVM and the JNIEnv and JavaVM functions the
// launcher calls, a transcript of every call, scripted outcomes, and a bridge
// that runs the recorded launch on the host's real JVM. Every other slot of
// the function tables traps. Built twice: with the JNI invocation entry point,
// and without it (FAKEJRE_NO_CREATE) for the tests of a damaged runtime. See
// README.md beside this file.
#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "testing/fakejre/fake_app.h"
#include "testing/fakejre/fake_common.h"
#include "testing/fakejre/jni_slot_names.h"
#include "testing/fakejre/jvm_bridge.h"

namespace {

constexpr UINT kExitTrap = 86;

using fakejre::fromCodePage;
using fakejre::fromUtf8;
using fakejre::startsWith;
using fakejre::toUtf8;

// ---------------------------------------------------------------- script

struct Script {
    std::wstring transcript;
    bool createFails = false;
    std::vector<std::string> missingClasses;
    std::vector<std::string> missingMethods;
    std::string main = "return";  // return, throw, exit:N, bridge, app, wait:<file>, run
    std::vector<std::string> app;   // the steps of main=app (fake_app.h)
    std::string firstRun = "true";  // true, false, throw
    std::string failing;            // NewObjectArray or NewString
    std::string java;               // a host java whose JDK the bridge runs (jdk= wins)
    std::string jdk;                // the host JDK home the bridge runs
    std::string bridgeDirectory;    // host path of bridge.sh and fakejre-bridge
    bool timing = false;            // record when the process began and JNI_CreateJavaVM was entered
    std::string waitThen = "return";  // what main=wait does once released
    std::string stop = "return";      // what a stop method does: return, release, throw, hang
};

HMODULE self = nullptr;

std::wstring ownDirectory() { return fakejre::moduleDirectory(self); }

Script loadScript() {
    Script script;
    std::wstring path = fakejre::environmentVariable(L"QARVO_FAKEJVM_SCRIPT");
    if (path.empty()) path = ownDirectory() + L"fakejre.ini";
    for (const auto& [key, value] : fakejre::scriptEntries(path)) {
        if (key == "transcript") script.transcript = fromUtf8(value);
        else if (key == "create") script.createFails = value == "fail";
        else if (key == "missing_class") script.missingClasses.push_back(value);
        else if (key == "missing_method") script.missingMethods.push_back(value);
        else if (key == "main") script.main = value;
        else if (key == "firstrun") script.firstRun = value;
        else if (key == "fail") script.failing = value;
        else if (key == "java") script.java = value;
        else if (key == "jdk") script.jdk = value;
        else if (key == "bridge") script.bridgeDirectory = value;
        else if (key == "app") script.app.push_back(value);
        else if (key == "timing") script.timing = value == "1";
        else if (key == "wait_then") script.waitThen = value;
        else if (key == "stop") script.stop = value;
    }
    const std::wstring transcript = fakejre::environmentVariable(L"QARVO_FAKEJVM_TRANSCRIPT");
    if (!transcript.empty()) script.transcript = transcript;
    return script;
}

const Script& script() {
    static const Script s = loadScript();
    return s;
}

// ---------------------------------------------------------------- transcript

// Into fakejre-calls.log beside the module, or the transcript file the
// script or QARVO_FAKEJVM_TRANSCRIPT names.
void record(const std::string& line) {
    static const std::wstring path =
        script().transcript.empty() ? fakejre::callsLog(ownDirectory()) : script().transcript;
    fakejre::appendLine(path, line);
}

void writeStandardError(const std::string& text) {
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

[[noreturn]] void trap(const char* table, const std::string& slot) {
    record(std::string("TRAP ") + table + "." + slot);
    writeStandardError(std::string("fake jvm.dll: unexpected call of ") + table + "." + slot + "\n");
    ExitProcess(kExitTrap);
}

// ---------------------------------------------------------------- objects

struct FakeClass {
    std::string name;
};
struct FakeMethod {
    FakeClass* owner;
    std::string name, signature;
};
struct FakeString {
    std::wstring text;
};
struct FakeArray {
    std::vector<FakeString*> elements;
};

struct FakeThrowable {
    std::string description;
};

// ---------------------------------------------------------------- threads

// A thread's JNIEnv: HotSpot gives each attached thread one of its own, valid
// on that thread only, with the thread's pending exception.
struct FakeEnv {
    JNIEnv_ jni;  // what the launcher holds a pointer to
    std::string threadName;
    bool daemon = false;
    FakeThrowable* pending = nullptr;
};

const JNINativeInterface_* envFunctions();

struct Threads {
    std::mutex lock;
    std::condition_variable detached;
    int nonDaemon = 0;  // attached non-daemon threads
    int unnamed = 0;    // threads named "Thread-<n>" so far
};
Threads threads;
// The calling thread's env while it is attached.
thread_local FakeEnv* current = nullptr;

// The calling thread's env, attached now unless it already is (then it keeps
// its env and whether it is a daemon). Envs are never freed, so that one used
// after its thread detached is never taken for another thread's.
FakeEnv* attachThread(bool daemon, const char* name) {
    if (current != nullptr) return current;
    std::lock_guard<std::mutex> guard(threads.lock);
    FakeEnv* env = new FakeEnv;
    env->jni.functions = envFunctions();
    env->daemon = daemon;
    env->threadName = name != nullptr ? name : "Thread-" + std::to_string(threads.unnamed++);
    if (!daemon) ++threads.nonDaemon;
    current = env;
    return env;
}

void detachThread() {
    if (current == nullptr) return;
    std::lock_guard<std::mutex> guard(threads.lock);
    if (!current->daemon) --threads.nonDaemon;
    current = nullptr;
    threads.detached.notify_all();
}

// As HotSpot's DestroyJavaVM: until every other attached non-daemon thread has detached.
void awaitNonDaemonThreads() {
    std::unique_lock<std::mutex> guard(threads.lock);
    const int caller = current != nullptr && !current->daemon ? 1 : 0;
    if (threads.nonDaemon == caller) return;
    record("DestroyJavaVM waits for " + std::to_string(threads.nonDaemon - caller) + " attached thread(s)");
    threads.detached.wait(guard, [caller] { return threads.nonDaemon == caller; });
    record("DestroyJavaVM goes on");
}

// The calling thread's env, which the one a JNIEnv function was called with
// must be; any other traps.
FakeEnv& own(JNIEnv* env, const char* slot) {
    if (current == nullptr || env != &current->jni) trap("JNIEnv", std::string(slot) + " (not this thread's JNIEnv)");
    return *current;
}

void raise(FakeEnv& env, const std::string& description) { env.pending = new FakeThrowable{description}; }

// The "exit" hook the launcher gave JNI_CreateJavaVM, if any.
using ExitHook = void(JNICALL*)(jint);
ExitHook exitHook = nullptr;

// System.exit(code), as HotSpot ends it: the hook is called with the code
// and ends the process; without one the JVM ends it. A second caller, on
// another thread, waits for the process to end, as in HotSpot.
[[noreturn]] void systemExit(int code) {
    static std::atomic<bool> exiting{false};
    if (exiting.exchange(true))
        for (;;) Sleep(INFINITE);
    if (exitHook != nullptr) {
        record("exit hook " + std::to_string(code));
        exitHook(code);
    }
    ExitProcess(static_cast<UINT>(code));
}

// What the launcher gave JNI_CreateJavaVM.
fakejvm::bridge::Launch recorded;

bool listed(const std::vector<std::string>& list, const std::string& name) {
    for (const std::string& entry : list)
        if (entry == name) return true;
    return false;
}

// ---------------------------------------------------------------- JNIEnv

std::string describeMethod(jmethodID method) {
    const FakeMethod* m = reinterpret_cast<FakeMethod*>(method);
    return m->owner->name + "." + m->name;
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
    FakeEnv& e = own(env, "FindClass");
    record(std::string("FindClass ") + name);
    if (listed(script().missingClasses, name)) {
        raise(e, "java.lang.NoClassDefFoundError: " + std::string(name));
        return nullptr;
    }
    return reinterpret_cast<jclass>(new FakeClass{name});
}

jmethodID JNICALL getStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* signature) {
    FakeEnv& e = own(env, "GetStaticMethodID");
    FakeClass* owner = reinterpret_cast<FakeClass*>(cls);
    record("GetStaticMethodID " + owner->name + "." + name + " " + signature);
    if (listed(script().missingMethods, name) || listed(script().missingMethods, name + std::string(signature))) {
        raise(e, "java.lang.NoSuchMethodError: " + std::string(name));
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(new FakeMethod{owner, name, signature});
}

jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject) {
    own(env, "NewObjectArray");
    record("NewObjectArray " + std::to_string(length) + " " + reinterpret_cast<FakeClass*>(elementClass)->name);
    if (script().failing == "NewObjectArray") return nullptr;
    FakeArray* array = new FakeArray;
    array->elements.resize(static_cast<size_t>(length));
    return reinterpret_cast<jobjectArray>(array);
}

jstring JNICALL newString(JNIEnv* env, const jchar* text, jsize length) {
    own(env, "NewString");
    if (script().failing == "NewString") {
        record("NewString failed");
        return nullptr;
    }
    return reinterpret_cast<jstring>(new FakeString{std::wstring(reinterpret_cast<const wchar_t*>(text), length)});
}

void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    own(env, "SetObjectArrayElement");
    FakeArray* a = reinterpret_cast<FakeArray*>(array);
    if (index < 0 || static_cast<size_t>(index) >= a->elements.size()) trap("JNIEnv", "SetObjectArrayElement(index)");
    a->elements[static_cast<size_t>(index)] = reinterpret_cast<FakeString*>(value);
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
    FakeEnv& e = own(env, "ExceptionOccurred");
    record(std::string("ExceptionOccurred ") + (e.pending != nullptr ? "yes" : "no"));
    return reinterpret_cast<jthrowable>(e.pending);
}

void JNICALL exceptionDescribe(JNIEnv* env) {
    FakeEnv& e = own(env, "ExceptionDescribe");
    record("ExceptionDescribe");
    if (e.pending != nullptr && !e.pending->description.empty())
        writeStandardError("Exception in thread \"" + e.threadName + "\" " + e.pending->description + "\n");
    e.pending = nullptr;
}

// main=app: the scripted application of fake_app.h.
void runApplication() {
    fakeapp::Context context;
    context.directory = ownDirectory();
    const std::string property = "-Dqarvo.processCommFile=";
    for (const std::string& option : recorded.options)
        if (startsWith(option, property)) context.commFile = fromCodePage(option.substr(property.size()), CP_ACP);
    context.record = record;
    fakeapp::run(script().app, context);
}

// A stop method with "stop=release" lets a waiting main go on.
std::atomic<bool> mainReleased{false};

// main=wait:<file> (main=run: no file): main runs until the file exists (a
// test looks at the running process meanwhile) or a stop method releases it,
// then it goes on as the next line says: "wait_then=return|throw|exit:<n>|hang".
void waitInMain(FakeEnv& env, const std::wstring& file) {
    record("main waits");
    while (!mainReleased && (file.empty() || GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES)) Sleep(10);
    const std::string& then = script().waitThen;
    record("main goes on: " + then);
    if (then == "throw") raise(env, "java.lang.IllegalStateException: thrown as the fake jvm.dll was told");
    else if (startsWith(then, "exit:")) systemExit(std::atoi(then.c_str() + 5));
    else if (then == "hang") for (;;) Sleep(1000);
}

// The splash controller's methods; polls that find nothing to do after the
// first are not recorded.
jint callStaticInt(jmethodID method) {
    static std::atomic<bool> polled{false};
    const std::string name = reinterpret_cast<FakeMethod*>(method)->name;
    const jint result = name == "getAction" ? fakeapp::action() : 0;
    if (result != 0 || !polled.exchange(true)) record("CallStaticIntMethod " + describeMethod(method) + " -> " + std::to_string(result));
    return result;
}

jint JNICALL callStaticIntMethod(JNIEnv* env, jclass, jmethodID method, ...) {
    own(env, "CallStaticIntMethod");
    return callStaticInt(method);
}

jint JNICALL callStaticIntMethodV(JNIEnv* env, jclass, jmethodID method, va_list) {
    own(env, "CallStaticIntMethodV");
    return callStaticInt(method);
}

jobject callStaticObject(jmethodID method) {
    std::wstring text;
    const bool has = reinterpret_cast<FakeMethod*>(method)->name == "getText" && fakeapp::takeText(text);
    record("CallStaticObjectMethod " + describeMethod(method) + " -> " + (has ? toUtf8(text) : std::string("null")));
    return has ? reinterpret_cast<jobject>(new FakeString{text}) : nullptr;
}

jobject JNICALL callStaticObjectMethod(JNIEnv* env, jclass, jmethodID method, ...) {
    own(env, "CallStaticObjectMethod");
    return callStaticObject(method);
}

jobject JNICALL callStaticObjectMethodV(JNIEnv* env, jclass, jmethodID method, va_list) {
    own(env, "CallStaticObjectMethodV");
    return callStaticObject(method);
}

jsize JNICALL getStringLength(JNIEnv* env, jstring text) {
    own(env, "GetStringLength");
    return static_cast<jsize>(reinterpret_cast<FakeString*>(text)->text.size());
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring text, jboolean* isCopy) {
    own(env, "GetStringChars");
    if (isCopy != nullptr) *isCopy = JNI_FALSE;
    return reinterpret_cast<const jchar*>(reinterpret_cast<FakeString*>(text)->text.c_str());
}

void JNICALL releaseStringChars(JNIEnv* env, jstring, const jchar*) { own(env, "ReleaseStringChars"); }
void JNICALL deleteLocalRef(JNIEnv* env, jobject) { own(env, "DeleteLocalRef"); }

jboolean JNICALL exceptionCheck(JNIEnv* env) {
    return own(env, "ExceptionCheck").pending != nullptr ? JNI_TRUE : JNI_FALSE;
}

void JNICALL exceptionClear(JNIEnv* env) {
    FakeEnv& e = own(env, "ExceptionClear");
    record("ExceptionClear");
    e.pending = nullptr;
}

const std::string kMainSignature = "([Ljava/lang/String;)V";

// The arguments of a static void method, read by its signature: none for
// "()V", a jint for "(I)V" (as decimal text), the strings of the array for
// the signature of main. Any other signature traps.
std::vector<std::wstring> voidMethodArguments(const FakeMethod& method, va_list args) {
    std::vector<std::wstring> arguments;
    if (method.signature == "(I)V") {
        arguments.push_back(std::to_wstring(va_arg(args, jint)));
    } else if (method.signature == kMainSignature) {
        const FakeArray* array = reinterpret_cast<FakeArray*>(va_arg(args, jobjectArray));
        for (const FakeString* element : array->elements)
            arguments.push_back(element != nullptr ? element->text : std::wstring());
    } else if (method.signature != "()V") {
        trap("JNIEnv", "CallStaticVoidMethod(signature " + method.signature + ")");
    }
    return arguments;
}

// The thread that created the JVM; its first call with main's signature is
// the launcher's call of the runtime's main.
FakeEnv* creator = nullptr;
std::atomic<bool> mainCalled{false};

// The runtime's main, as the script says.
void runMain(FakeEnv& env, const FakeMethod& called, const std::vector<std::wstring>& arguments) {
    const std::string& main = script().main;
    if (main == "throw") {
        raise(env, "java.lang.IllegalStateException: thrown as the fake jvm.dll was told");
    } else if (startsWith(main, "exit:")) {
        record("System.exit " + main.substr(5));
        systemExit(std::atoi(main.c_str() + 5));
    } else if (main == "bridge") {
        if (fakejvm::bridge::callMain(called.owner->name, called.name, called.signature, arguments))
            raise(env, "");  // the host has already described it
    } else if (main == "app") {
        runApplication();
    } else if (startsWith(main, "wait:")) {
        waitInMain(env, fromUtf8(main.substr(5)));
    } else if (main == "run") {
        waitInMain(env, L"");
    }
}

// main=bridge: the same call on a thread of the host's JVM.
void callOnHost(FakeEnv& env, const FakeMethod& called, const std::vector<std::wstring>& arguments) {
    const fakejvm::bridge::ThreadCallOutcome outcome =
        fakejvm::bridge::callOnThread(called.owner->name, called.name, called.signature, arguments);
    if (outcome.threw) raise(env, outcome.description);
}

// Any other static void method: a stop method, as "stop=" says.
void runStopMethod(FakeEnv& env) {
    const std::string& stop = script().stop;
    if (stop == "release") {
        record("stop releases main");
        mainReleased = true;
    } else if (stop == "throw") {
        raise(env, "java.lang.IllegalStateException: the stop method threw as the fake jvm.dll was told");
    } else if (stop == "hang") {
        record("stop hangs");
        for (;;) Sleep(1000);
    }
}

void callStaticVoid(FakeEnv& env, jmethodID method, va_list args) {
    const FakeMethod& called = *reinterpret_cast<FakeMethod*>(method);
    const std::vector<std::wstring> arguments = voidMethodArguments(called, args);
    if (called.owner->name == "java/lang/System" && called.name == "exit" && called.signature == "(I)V") {
        // From any thread; it does not return (through the bridge: unless it threw).
        record("System.exit " + toUtf8(arguments[0]));
        if (script().main != "bridge") systemExit(std::stoi(arguments[0]));
        callOnHost(env, called, arguments);
        return;
    }
    record("CallStaticVoidMethod " + describeMethod(method));
    for (size_t i = 0; i < arguments.size(); ++i) record("argument " + std::to_string(i) + ": " + toUtf8(arguments[i]));
    if (&env == creator && called.signature == kMainSignature && !mainCalled.exchange(true))
        runMain(env, called, arguments);
    else if (script().main == "bridge")
        callOnHost(env, called, arguments);
    else
        runStopMethod(env);
}

void JNICALL callStaticVoidMethod(JNIEnv* env, jclass, jmethodID method, ...) {
    FakeEnv& e = own(env, "CallStaticVoidMethod");
    va_list args;
    va_start(args, method);
    callStaticVoid(e, method, args);
    va_end(args);
}

void JNICALL callStaticVoidMethodV(JNIEnv* env, jclass, jmethodID method, va_list args) {
    callStaticVoid(own(env, "CallStaticVoidMethodV"), method, args);
}

jboolean JNICALL callStaticBooleanMethod(JNIEnv* env, jclass, jmethodID method, ...) {
    FakeEnv& e = own(env, "CallStaticBooleanMethod");
    record("CallStaticBooleanMethod " + describeMethod(method) + " -> " + script().firstRun);
    if (script().firstRun == "throw") {
        raise(e, "java.lang.IllegalStateException: firstRun threw as the fake jvm.dll was told");
        return JNI_FALSE;
    }
    return script().firstRun == "true" ? JNI_TRUE : JNI_FALSE;
}

// ---------------------------------------------------------------- JavaVM

jint JNICALL destroyJavaVm(JavaVM*) {
    record("DestroyJavaVM");
    awaitNonDaemonThreads();
    if (script().main == "bridge") fakejvm::bridge::awaitEnd();
    return JNI_OK;
}

const char* threadName(void* arguments) {
    return arguments != nullptr ? static_cast<JavaVMAttachArgs*>(arguments)->name : nullptr;
}

jint JNICALL attachCurrentThread(JavaVM*, void** env, void* arguments) {
    record("AttachCurrentThread");
    *env = &attachThread(false, threadName(arguments))->jni;
    return JNI_OK;
}

jint JNICALL attachCurrentThreadAsDaemon(JavaVM*, void** env, void* arguments) {
    record("AttachCurrentThreadAsDaemon");
    *env = &attachThread(true, threadName(arguments))->jni;
    return JNI_OK;
}

// A thread that is not attached has nothing to detach: JNI_OK, as in HotSpot.
jint JNICALL detachCurrentThread(JavaVM*) {
    record("DetachCurrentThread");
    detachThread();
    return JNI_OK;
}

// ---------------------------------------------------------------- tables

template <size_t N>
void JNICALL trapEnvSlot() {
    trap("JNIEnv", kEnvSlotNames[N]);
}
template <size_t N>
void JNICALL trapVmSlot() {
    trap("JavaVM", kVmSlotNames[N]);
}

template <typename Table, size_t... I>
void fillWithTraps(Table& table, void (*const traps[])(), std::index_sequence<I...>) {
    void** slots = reinterpret_cast<void**>(&table);
    ((slots[I] = reinterpret_cast<void*>(traps[I])), ...);
}

template <size_t... I>
JNINativeInterface_ envTable(std::index_sequence<I...> slots) {
    static_assert(sizeof...(I) * sizeof(void*) == sizeof(JNINativeInterface_), "one name per JNIEnv slot");
    static void (*const traps[])() = {reinterpret_cast<void (*)()>(&trapEnvSlot<I>)...};
    JNINativeInterface_ table;
    fillWithTraps(table, traps, slots);
    table.FindClass = findClass;
    table.GetStaticMethodID = getStaticMethodID;
    table.CallStaticVoidMethod = callStaticVoidMethod;
    table.CallStaticVoidMethodV = callStaticVoidMethodV;
    table.CallStaticBooleanMethod = callStaticBooleanMethod;
    table.ExceptionOccurred = exceptionOccurred;
    table.ExceptionDescribe = exceptionDescribe;
    table.NewObjectArray = newObjectArray;
    table.NewString = newString;
    table.SetObjectArrayElement = setObjectArrayElement;
    table.CallStaticIntMethod = callStaticIntMethod;
    table.CallStaticObjectMethod = callStaticObjectMethod;
    table.CallStaticIntMethodV = callStaticIntMethodV;
    table.CallStaticObjectMethodV = callStaticObjectMethodV;
    table.GetStringLength = getStringLength;
    table.GetStringChars = getStringChars;
    table.ReleaseStringChars = releaseStringChars;
    table.DeleteLocalRef = deleteLocalRef;
    table.ExceptionCheck = exceptionCheck;
    table.ExceptionClear = exceptionClear;
    return table;
}

template <size_t... I>
JNIInvokeInterface_ vmTable(std::index_sequence<I...> slots) {
    static_assert(sizeof...(I) * sizeof(void*) == sizeof(JNIInvokeInterface_), "one name per JavaVM slot");
    static void (*const traps[])() = {reinterpret_cast<void (*)()>(&trapVmSlot<I>)...};
    JNIInvokeInterface_ table;
    fillWithTraps(table, traps, slots);
    table.DestroyJavaVM = destroyJavaVm;
    table.AttachCurrentThread = attachCurrentThread;
    table.AttachCurrentThreadAsDaemon = attachCurrentThreadAsDaemon;
    table.DetachCurrentThread = detachCurrentThread;
    return table;
}

const JNINativeInterface_ kEnvTable = envTable(std::make_index_sequence<std::size(kEnvSlotNames)>());
const JNINativeInterface_* envFunctions() { return &kEnvTable; }
const JNIInvokeInterface_ kVmTable = vmTable(std::make_index_sequence<std::size(kVmSlotNames)>());
[[maybe_unused]] JavaVM_ theVm;

}  // namespace

// From fakejre-base.dll in the runtime's bin directory (base_dll.cpp).
extern "C" __declspec(dllimport) const wchar_t* fakejreBasePath();

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        fakejre::recordCall(ownDirectory(), L"jvm.dll loaded " + ownDirectory() + L"jvm.dll");
        fakejre::recordCall(ownDirectory(), L"base library " + std::wstring(fakejreBasePath()));
    }
    // A launcher that ends after creating the JVM without calling main lets
    // the bridge's JVM end with it.
    if (reason == DLL_PROCESS_DETACH && script().main == "bridge") fakejvm::bridge::launcherEnded();
    return TRUE;
}

#ifndef FAKEJRE_NO_CREATE
namespace {

// ---------------------------------------------------------------- timing

uint64_t asNumber(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

// The system time in 100 ns units, as precise as the system gives it.
uint64_t systemTimeNow() {
    using Precise = void(WINAPI*)(LPFILETIME);
    static const auto precise = reinterpret_cast<Precise>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetSystemTimePreciseAsFileTime")));
    FILETIME now;
    if (precise != nullptr) precise(&now);
    else GetSystemTimeAsFileTime(&now);
    return asNumber(now);
}

// "timing created=<t> entered=<t> elapsed_us=<n>": the process's creation
// time and the given entry time, both system times in 100 ns units.
void recordTiming(uint64_t entered) {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) return;
    const uint64_t created = asNumber(creation);
    record("timing created=" + std::to_string(created) + " entered=" + std::to_string(entered) +
           " elapsed_us=" + std::to_string((entered - created) / 10));
}

}  // namespace

extern "C" JNIEXPORT jint JNICALL JNI_CreateJavaVM(JavaVM** vm, void** env, void* initArguments) {
    const uint64_t entered = systemTimeNow();
    if (script().timing) recordTiming(entered);
    const JavaVMInitArgs* arguments = static_cast<const JavaVMInitArgs*>(initArguments);
    // The hooks are no VM options: HotSpot takes their functions from extraInfo.
    std::vector<std::string> options, hooks;
    for (jint i = 0; i < arguments->nOptions; ++i) {
        const JavaVMOption& option = arguments->options[i];
        const std::string text = option.optionString;
        if (text == "exit" || text == "abort" || text == "vfprintf") {
            hooks.push_back(text);
            if (text == "exit") exitHook = reinterpret_cast<ExitHook>(option.extraInfo);
        } else {
            options.push_back(text);
        }
    }
    record("JNI_CreateJavaVM version=" + std::to_string(arguments->version) + " options=" +
           std::to_string(options.size()) + " ignoreUnrecognized=" +
           std::to_string(static_cast<int>(arguments->ignoreUnrecognized)));
    recorded.ignoreUnrecognized = arguments->ignoreUnrecognized != JNI_FALSE;
    recorded.version = arguments->version;
    for (size_t i = 0; i < options.size(); ++i) {
        recorded.options.push_back(options[i]);
        record("option " + std::to_string(i) + ": " + toUtf8(fromCodePage(options[i], CP_ACP)));
    }
    for (const std::string& hook : hooks) record("hook " + hook);
    if (script().createFails) {
        record("JNI_CreateJavaVM fails");
        return JNI_ERR;
    }
    // As strict as HotSpot 25 about its AOT options.
    if (const std::optional<fakejre::AotComplaint> complaint = fakejre::aotComplaint(options)) {
        record("JNI_CreateJavaVM refuses the AOT options");
        DWORD written;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), complaint->text.data(), static_cast<DWORD>(complaint->text.size()),
                  &written, nullptr);
        if (complaint->endsProcess) ExitProcess(1);
        return JNI_EINVAL;
    }
    // The host's HotSpot takes or refuses the options, as it would here.
    if (script().main == "bridge") {
        fakejvm::bridge::Settings settings;
        settings.directory = script().bridgeDirectory;
        settings.jdk = script().jdk;
        settings.java = script().java;
        settings.record = record;
        settings.exit = systemExit;
        const jint created = fakejvm::bridge::create(recorded, settings);
        if (created != JNI_OK) return created;
    }
    // The creating thread is attached as "main", a non-daemon thread.
    theVm.functions = &kVmTable;
    *vm = &theVm;
    creator = attachThread(false, "main");
    *env = &creator->jni;
    return JNI_OK;
}
#endif
