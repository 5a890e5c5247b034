#include "builder/project/suggest.h"

#include <algorithm>

#include "builder/project/keys.h"

namespace {

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string closestName(const std::string& name, const std::vector<std::string>& candidates) {
    std::string best;
    size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        const size_t d = editDistance(name, candidate);
        if (best.empty() || d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    // Near enough: at most a third of the name's letters differ (at least one).
    return !best.empty() && bestDistance <= std::max<size_t>(1, name.size() / 3) ? best : std::string();
}

std::string suggestKey(const std::string& key) {
    const std::vector<std::string>& known = knownProjectKeys();
    const size_t dot = key.rfind('.');
    if (dot == std::string::npos) {
        std::vector<std::string> tables;
        for (const std::string& k : known) {
            const std::string table = k.substr(0, k.rfind('.'));
            if (k.substr(k.rfind('.') + 1) == key) return k;
            if (std::find(tables.begin(), tables.end(), table) == tables.end()) tables.push_back(table);
        }
        return closestName(key, tables);
    }
    const std::string name = key.substr(dot + 1);
    for (const std::string& k : known)
        if (k != key && k.size() > name.size() && k.compare(k.size() - name.size() - 1, name.size() + 1, "." + name) == 0)
            return k;
    return closestName(key, known);
}
