// Fake jvm.dll: JNI_CreateJavaVM and the JNIEnv and JavaVM functions the
// launcher calls, a transcript of every call, scripted outcomes, and a bridge
// that runs the recorded launch on the host's real JVM. Every other slot of
// the function tables traps. Built twice: with the JNI invocation entry point,
// and without it (FAKEJRE_NO_CREATE) for the tests of a damaged runtime. See
// README.md beside this file.
#define _JNI_IMPLEMENTATION_
#include <jni.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <mutex>
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
    std::string main = "return";  // return, throw, exit:N, bridge, app, wait:<file>
    std::vector<std::string> app;   // the steps of main=app (fake_app.h)
    std::string firstRun = "true";  // true, false, throw
    std::string failing;            // NewObjectArray or NewString
    std::string java;               // a host java whose JDK the bridge runs (jdk= wins)
    std::string jdk;                // the host JDK home the bridge runs
    std::string bridgeDirectory;    // host path of bridge.sh and fakejre-bridge
    bool timing = false;            // record when the process began and JNI_CreateJavaVM was entered
    std::string waitThen = "return";  // what main=wait does once released
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

[[noreturn]] void trap(const char* table, const char* slot) {
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
// Per thread, as a JNIEnv's pending exception is.
thread_local FakeThrowable* pending = nullptr;

void raise(const std::string& description) { pending = new FakeThrowable{description}; }

// The "exit" hook the launcher gave JNI_CreateJavaVM, if any.
using ExitHook = void(JNICALL*)(jint);
ExitHook exitHook = nullptr;

// System.exit(code), as HotSpot ends it: the hook is called with the code
// and ends the process; without one the JVM ends it.
[[noreturn]] void systemExit(int code) {
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

jclass JNICALL findClass(JNIEnv*, const char* name) {
    record(std::string("FindClass ") + name);
    if (listed(script().missingClasses, name)) {
        raise("java.lang.NoClassDefFoundError: " + std::string(name));
        return nullptr;
    }
    return reinterpret_cast<jclass>(new FakeClass{name});
}

jmethodID JNICALL getStaticMethodID(JNIEnv*, jclass cls, const char* name, const char* signature) {
    FakeClass* owner = reinterpret_cast<FakeClass*>(cls);
    record("GetStaticMethodID " + owner->name + "." + name + " " + signature);
    if (listed(script().missingMethods, name)) {
        raise("java.lang.NoSuchMethodError: " + std::string(name));
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(new FakeMethod{owner, name, signature});
}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass elementClass, jobject) {
    record("NewObjectArray " + std::to_string(length) + " " + reinterpret_cast<FakeClass*>(elementClass)->name);
    if (script().failing == "NewObjectArray") return nullptr;
    FakeArray* array = new FakeArray;
    array->elements.resize(static_cast<size_t>(length));
    return reinterpret_cast<jobjectArray>(array);
}

jstring JNICALL newString(JNIEnv*, const jchar* text, jsize length) {
    if (script().failing == "NewString") {
        record("NewString failed");
        return nullptr;
    }
    return reinterpret_cast<jstring>(new FakeString{std::wstring(reinterpret_cast<const wchar_t*>(text), length)});
}

void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject value) {
    FakeArray* a = reinterpret_cast<FakeArray*>(array);
    if (index < 0 || static_cast<size_t>(index) >= a->elements.size()) trap("JNIEnv", "SetObjectArrayElement(index)");
    a->elements[static_cast<size_t>(index)] = reinterpret_cast<FakeString*>(value);
}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    record(std::string("ExceptionOccurred ") + (pending != nullptr ? "yes" : "no"));
    return reinterpret_cast<jthrowable>(pending);
}

void JNICALL exceptionDescribe(JNIEnv*) {
    record("ExceptionDescribe");
    if (pending != nullptr && !pending->description.empty())
        writeStandardError("Exception in thread \"main\" " + pending->description + "\n");
    pending = nullptr;
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

// main=wait:<file>: main runs until the file exists (a test looks at the
// running process meanwhile), then it goes on as the next line says:
// "wait_then=return|throw|exit:<n>|hang".
void waitInMain(const std::wstring& file) {
    record("main waits");
    while (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
    const std::string& then = script().waitThen;
    record("main goes on: " + then);
    if (then == "throw") raise("java.lang.IllegalStateException: thrown as the fake jvm.dll was told");
    else if (startsWith(then, "exit:")) systemExit(std::atoi(then.c_str() + 5));
    else if (then == "hang") for (;;) Sleep(1000);
}

// The splash controller's methods; polls that find nothing to do after the
// first are not recorded.
jint JNICALL callStaticIntMethod(JNIEnv*, jclass, jmethodID method, ...) {
    static std::atomic<bool> polled{false};
    const std::string name = reinterpret_cast<FakeMethod*>(method)->name;
    const jint result = name == "getAction" ? fakeapp::action() : 0;
    if (result != 0 || !polled.exchange(true)) record("CallStaticIntMethod " + describeMethod(method) + " -> " + std::to_string(result));
    return result;
}

jint JNICALL callStaticIntMethodV(JNIEnv* env, jclass type, jmethodID method, va_list) {
    return callStaticIntMethod(env, type, method);
}

jobject JNICALL callStaticObjectMethod(JNIEnv*, jclass, jmethodID method, ...) {
    std::wstring text;
    const bool has = reinterpret_cast<FakeMethod*>(method)->name == "getText" && fakeapp::takeText(text);
    record("CallStaticObjectMethod " + describeMethod(method) + " -> " + (has ? toUtf8(text) : std::string("null")));
    return has ? reinterpret_cast<jobject>(new FakeString{text}) : nullptr;
}

jobject JNICALL callStaticObjectMethodV(JNIEnv* env, jclass type, jmethodID method, va_list) {
    return callStaticObjectMethod(env, type, method);
}

jsize JNICALL getStringLength(JNIEnv*, jstring text) {
    return static_cast<jsize>(reinterpret_cast<FakeString*>(text)->text.size());
}

const jchar* JNICALL getStringChars(JNIEnv*, jstring text, jboolean* isCopy) {
    if (isCopy != nullptr) *isCopy = JNI_FALSE;
    return reinterpret_cast<const jchar*>(reinterpret_cast<FakeString*>(text)->text.c_str());
}

void JNICALL releaseStringChars(JNIEnv*, jstring, const jchar*) {}
void JNICALL deleteLocalRef(JNIEnv*, jobject) {}

jboolean JNICALL exceptionCheck(JNIEnv*) { return pending != nullptr ? JNI_TRUE : JNI_FALSE; }

void JNICALL exceptionClear(JNIEnv*) {
    record("ExceptionClear");
    pending = nullptr;
}

void JNICALL callStaticVoidMethod(JNIEnv*, jclass, jmethodID method, ...) {
    va_list args;
    va_start(args, method);
    FakeArray* array = reinterpret_cast<FakeArray*>(va_arg(args, jobjectArray));
    va_end(args);
    record("CallStaticVoidMethod " + describeMethod(method));
    std::vector<std::wstring> arguments;
    for (size_t i = 0; i < array->elements.size(); ++i) {
        arguments.push_back(array->elements[i] != nullptr ? array->elements[i]->text : std::wstring());
        record("argument " + std::to_string(i) + ": " + toUtf8(arguments.back()));
    }
    const std::string& main = script().main;
    if (main == "throw") {
        raise("java.lang.IllegalStateException: thrown as the fake jvm.dll was told");
    } else if (startsWith(main, "exit:")) {
        record("System.exit " + main.substr(5));
        systemExit(std::atoi(main.c_str() + 5));
    } else if (main == "bridge") {
        const FakeMethod* called = reinterpret_cast<FakeMethod*>(method);
        if (fakejvm::bridge::callMain(called->owner->name, called->name, called->signature, arguments))
            raise("");  // the host has already described it
    } else if (main == "app") {
        runApplication();
    } else if (startsWith(main, "wait:")) {
        waitInMain(fromCodePage(main.substr(5), CP_UTF8));
    }
}

jboolean JNICALL callStaticBooleanMethod(JNIEnv*, jclass, jmethodID method, ...) {
    record("CallStaticBooleanMethod " + describeMethod(method) + " -> " + script().firstRun);
    if (script().firstRun == "throw") {
        raise("java.lang.IllegalStateException: firstRun threw as the fake jvm.dll was told");
        return JNI_FALSE;
    }
    return script().firstRun == "true" ? JNI_TRUE : JNI_FALSE;
}

// ---------------------------------------------------------------- JavaVM

JNIEnv_ mainEnv;

jint JNICALL destroyJavaVm(JavaVM*) {
    record("DestroyJavaVM");
    if (script().main == "bridge") fakejvm::bridge::awaitEnd();
    return JNI_OK;
}

jint JNICALL attachCurrentThread(JavaVM*, void** env, void*) {
    record("AttachCurrentThread");
    *env = &mainEnv;
    return JNI_OK;
}

jint JNICALL detachCurrentThread(JavaVM*) {
    record("DetachCurrentThread");
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
    table.DetachCurrentThread = detachCurrentThread;
    return table;
}

const JNINativeInterface_ kEnvTable = envTable(std::make_index_sequence<std::size(kEnvSlotNames)>());
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
    mainEnv.functions = &kEnvTable;
    theVm.functions = &kVmTable;
    *vm = &theVm;
    *env = &mainEnv;
    return JNI_OK;
}
#endif
