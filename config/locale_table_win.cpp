#include "config/locale_table.h"
#include "platform/win32.h"

const char* currentLocaleCode() { return localeCodeFor(GetUserDefaultLCID()); }
