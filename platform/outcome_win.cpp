#include "platform/outcome.h"

#include <atomic>

#include "platform/win32.h"

namespace {

std::atomic<FatalEndHandler> handler{nullptr};

}  // namespace

void fatalEnd(const LaunchEnd& end) {
    if (FatalEndHandler show = handler.load()) show(end);
    ExitProcess(static_cast<UINT>(end.exitCode));
}

void setFatalEndHandler(FatalEndHandler newHandler) { handler = newHandler; }
