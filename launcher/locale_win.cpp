#include "launcher/locale_table.h"
#include "launcher/win32.h"

const char* currentLocaleCode() { return localeCodeFor(GetUserDefaultLCID()); }
