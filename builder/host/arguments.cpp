#include "builder/host/arguments.h"

std::string parseArguments(const std::vector<std::string>& args, const std::vector<Option>& options,
                           std::vector<std::string>& rest, bool& help) {
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const Option* option = nullptr;
        for (const Option& o : options)
            for (const std::string& name : o.names)
                if (a == name) option = &o;
        if (option == nullptr && (a == "--help" || a == "-h")) help = true;
        else if (option == nullptr && !a.empty() && a[0] == '-') return "unknown option " + a;
        else if (option == nullptr) rest.push_back(a);
        else if (option->flag != nullptr) *option->flag = true;
        else if (i + 1 >= args.size()) return a + " needs " + option->needs;
        else *option->value = args[++i];
    }
    return "";
}

