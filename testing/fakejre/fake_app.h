// The application the fake jvm.dll's main runs with "main=app": the "app="
// lines of its script, one step after the other, and what it asks of the
// launcher's splash controller (QarvoController.getAction and getText).
//
//   app=sleep:<ms>                  wait
//   app=wait:<file>:<ms>            wait until a file of that name is beside the dll
//   app=text:<text>                 a new status text for the splash (UTF-8)
//   app=hide                        ask for the splash to be hidden
//   app=window:<title>              show a top-level window (class QarvoTestApp)
//   app=minimise                    minimise the windows shown so far
//   app=consume:<count>:<ms>        act as the first instance: take the
//                                   notification files named by
//                                   qarvo.processCommFile, record each, keep its
//                                   bytes in notification-<n>.bin beside the dll
//                                   and delete it; until count or ms have passed
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fakeapp {

struct Context {
    std::wstring directory;  // the dll's, ending in a backslash
    std::wstring commFile;   // qarvo.processCommFile, empty when not given
    std::function<void(const std::string&)> record;
};

void run(const std::vector<std::string>& steps, const Context& context);

// QarvoController.getAction: 1 once a hide was asked for, else 2 while a text
// waits, else 0.
int action();
// QarvoController.getText: the waiting text, once; false when there is none.
bool takeText(std::wstring& text);

}  // namespace fakeapp
