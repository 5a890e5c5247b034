// Single-instance coordination: the first process of an executable holds a
// named semaphore and records its process id; a later start raises the first
// instance's windows, hands over its arguments in a notification file, waits
// until that file has been consumed and ends.
#include "session/single_instance.h"

#include <string>

#include "files/fileutil.h"
#include "files/tempdir.h"
#include "format/config_ids.h"
#include "log/diaglog.h"
#include "platform/handle.h"
#include "platform/win_text.h"
#include "session/instance_registry.h"
#include "session/instance_rules.h"
#include "session/window_activation.h"

namespace {

constexpr long kLastNumber = 100000;

struct State {
    std::string baseName;
    std::string semaphoreName;
    bool checked = false;
    // Held until the process ends: the name exists exactly as long as this process.
    HANDLE semaphore = nullptr;
};

State& state() {
    static State s;
    return s;
}

struct Semaphore {
    UniqueHandle handle;
    DWORD error = 0;
};

Semaphore createSemaphore(const std::string& name) {
    SetLastError(ERROR_SUCCESS);
    Semaphore s;
    s.handle.reset(CreateSemaphoreA(nullptr, 1, 1, name.c_str()));
    s.error = GetLastError();
    return s;
}

void keepForLife(const std::string& name, Semaphore& s) {
    state().semaphoreName = name;
    state().semaphore = s.handle.release();
    state().checked = true;
    logInfo("semaphore name %s, code %lu, value %p", name.c_str(), s.error, static_cast<void*>(state().semaphore));
}

// Mode off: every process holds a semaphore of its own under the first free
// numbered name.
void reserveNumberedSemaphore(const std::string& base) {
    Semaphore s;
    std::string name;
    for (long counter = 0;; ++counter) {
        name = base + std::to_string(counter);
        s = createSemaphore(name);
        if (s.error != ERROR_ALREADY_EXISTS || counter >= kLastNumber) break;
    }
    keepForLife(name, s);
}

// True while the first instance's semaphore exists (or cannot be examined).
bool isFirstInstanceAlive() {
    Semaphore s = createSemaphore(state().baseName);
    if (!s.handle || s.error == ERROR_ALREADY_EXISTS) return true;
    // This call has just made the semaphore anew: the first instance is gone.
    if (!ReleaseSemaphore(s.handle.get(), 1, nullptr)) logInfo("release semaphore 2 failed %lu", GetLastError());
    s.handle.reset();
    logInfo("main process already released semaphore.");
    return false;
}

WaitOutcome waitForConsumption(const std::string& path) {
    return waitForFileConsumed({[&path] { return fileExists(path); }, isFirstInstanceAlive,
                                [](unsigned ms) { Sleep(ms); }});
}

void releaseNotificationSemaphore(HANDLE semaphore) {
    if (!ReleaseSemaphore(semaphore, 1, nullptr)) logInfo("release semaphore failed %lu", GetLastError());
}

// A failed exchange still lets the other waiting starts in before it ends the launch.
LaunchEnd failExchange(HANDLE notification, const char* code) {
    releaseNotificationSemaphore(notification);
    return endWithMessage(MessageId::InternalError, code);
}

Outcome writeNotification(const std::string& path, HANDLE notification, CommandLineRules rules) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logInfo("CreateFile failed %lu", GetLastError());
        return failExchange(notification, "21");
    }
    const std::string content = notificationContent(rawArguments(fromWide(GetCommandLineW()), rules));
    DWORD written = 0;
    if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
        written != content.size()) {
        logError("WriteFile failed %lu", GetLastError());
        file.reset();
        DeleteFileA(path.c_str());  // never leave a partial hand-over behind
        return failExchange(notification, "22");
    }
    return std::nullopt;
}

Outcome exchange(const std::string& path, HANDLE notification, CommandLineRules rules) {
    if (!isFirstInstanceAlive()) return std::nullopt;
    if (waitForConsumption(path) == WaitOutcome::FirstInstanceVanished) return std::nullopt;
    if (Outcome end = writeNotification(path, notification, rules)) return end;
    logInfo("waiting for file deletion");
    if (waitForConsumption(path) == WaitOutcome::FirstInstanceVanished) DeleteFileA(path.c_str());
    return std::nullopt;
}

// The second start ends here, after its arguments went to the first.
LaunchEnd handOver(bool notify, CommandLineRules rules) {
    const unsigned long pid = readInstancePid();
    logInfo("other pid %lu", pid);
    activateProcessWindows(pid, true);
    UniqueHandle notification;
    if (notify) {
        const std::string path = communicationFileName(pid);
        logInfo("notification via %s", path.c_str());
        notification.reset(CreateSemaphoreA(nullptr, 1, 1, (state().baseName + "_notification").c_str()));
        if (!notification) logInfo("semaphore creation failed %lu", GetLastError());
        logInfo("waiting for notification semaphore");
        const DWORD waited = WaitForSingleObject(notification.get(), INFINITE);
        logInfo("wait returned %lu", waited);
        if (Outcome end = exchange(path, notification.get(), rules)) return *end;
    }
    releaseNotificationSemaphore(notification.get());
    logInfo("exiting");
    return endQuietly(0);
}

}  // namespace

Outcome checkSingleInstance(const SingleInstanceSettings& settings, bool consultConfiguration, bool notify) {
    const std::string& base = state().baseName = semaphoreBaseName(instanceKey(), settings.global);
    if (consultConfiguration && !settings.enabled) {
        reserveNumberedSemaphore(base);
        return std::nullopt;
    }
    logInfo("single instance mode");
    Semaphore s = createSemaphore(base);
    if (s.error != ERROR_ALREADY_EXISTS) {
        keepForLife(base, s);
        registerInstancePid();
        return std::nullopt;
    }
    logInfo("semaphore name %s, code %lu, value %p", base.c_str(), s.error, static_cast<void*>(s.handle.get()));
    s.handle.reset();
    return handOver(notify, settings.commandLine);
}

const std::string* semaphoreName() { return state().checked ? &state().semaphoreName : nullptr; }
