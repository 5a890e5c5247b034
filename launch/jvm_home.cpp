#include "launch/jvm_home.h"

namespace {
std::string& home() {
    static std::string value;
    return value;
}
}  // namespace

const std::string& jvmHome() { return home(); }
void setJvmHome(const std::string& value) { home() = value; }
