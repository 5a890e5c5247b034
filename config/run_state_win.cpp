#include "config/run_state.h"

namespace {

bool restarted = false;
char kind = 'm';
HINSTANCE instanceHandle = nullptr;

}  // namespace

bool languageRestart() { return restarted; }
void setLanguageRestart() { restarted = true; }
char productKind() { return kind; }
const char* productName() { return kind == 'q' ? "qarvo" : "morvantic"; }
void setProductKind(char letter) { kind = letter; }
HINSTANCE launcherInstance() { return instanceHandle; }
void setLauncherInstance(HINSTANCE instance) { instanceHandle = instance; }
