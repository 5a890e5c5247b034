// Stages of the run sequence that this build does not have yet. Each does
// nothing it would have to pretend about: extraction refuses an executable
// that carries files, and the single-instance stage holds no semaphore.
#include "files/extract.h"
#include "format/config_ids.h"
#include "launcher/config.h"
#include "launcher/messages.h"
#include "log/diaglog.h"
#include "session/console.h"
#include "session/single_instance.h"
#include "session/splash.h"

void showSplash(int) { logInfo("splash screen not available in this build"); }
void hideSplash() {}

bool attachOrAllocateConsole() { return false; }
void addNativeLibraryPath() {}
void rebootSystem() { logError("reboot not available in this build"); }

void checkSingleInstance(bool, bool) {}
const std::string* semaphoreName() { return nullptr; }

int extractIncludedFiles(bool) {
    const int count = configInt(ConfigId::IncludedFileCount);
    logInfo("Included files: %d", count);
    if (count == 0) return 0;
    logError("included-file extraction not available in this build");
    return 1;
}

int64_t unextractedPosition() { return 0; }
