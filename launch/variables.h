// Expansion of the launcher variables (%QARVO_EXEDIR%, ${QARVO_TEMPDIR}, ...)
// and of ${NAME} environment references in configured texts.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct VariableValues {
    std::string executableDirectory;  // ends in a backslash
    std::string temporaryDirectory;   // the extraction directory, or empty
    std::string jvmHome;              // empty until a runtime was chosen
};

// Called after each replacement with the key, the value and the whole text.
using ExpansionLog = std::function<void(const std::string& key, const std::string& value, const std::string& text)>;

// Expanded texts stop growing at this size: environment values that name
// each other could otherwise double the text with every variable.
inline constexpr size_t kMaxExpandedLength = 1 << 20;

// Replaces every occurrence of key by value, scanning on after each inserted
// value, so a value holding its own key is not expanded again. Returns false
// when it stopped because the text would grow beyond kMaxExpandedLength
// (the occurrences from there on stay as they are).
bool replaceAll(std::string& text, const std::string& key, const std::string& value, const ExpansionLog& log);

// The twenty predefined keys in their fixed order, then for every
// "NAME=VALUE" of the environment block, in block order, ${NAME} as written
// and in upper case. References nothing matches stay as they are. Returns
// false when the size limit stopped an expansion.
bool expandVariablesWith(std::string& text, const VariableValues& values, const std::vector<std::string>& environment,
                         const ExpansionLog& log);

// False when no key can occur in the text: every key begins with "%" or
// "${", and without a first key nothing is inserted that a later one could
// match. Such a text stays as it is, so the values need not be gathered.
bool mayHoldVariables(const std::string& text);

// The same with this process's values and environment (Win32 layer).
void expandVariables(std::string& text);
