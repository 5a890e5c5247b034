// The user's Windows locale identifier as a Java-style locale code ("de_CH"),
// chosen through a fixed table: first the full language identifier, then its
// primary language alone.
#pragma once

#include <cstddef>
#include <cstdint>

// The code for lcid (sort bits above the low 16 are ignored), or nullptr.
const char* localeCodeFor(uint32_t lcid);
size_t localeTableSize();

// The code of the current user's default locale (Win32 layer).
const char* currentLocaleCode();
