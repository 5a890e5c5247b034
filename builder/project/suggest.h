// The name a misspelt one most likely means.
#pragma once

#include <string>
#include <vector>

// The candidate nearest to name by edit distance, when near enough to be a
// likely misspelling; otherwise empty.
std::string closestName(const std::string& name, const std::vector<std::string>& candidates);

// The known project key an unknown one most likely means: the same name in
// another table, or the nearest spelling; tables are suggested by table name.
// Empty when none is near.
std::string suggestKey(const std::string& key);
