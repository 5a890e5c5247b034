#include "config/search_entries.h"

#include "files/paths.h"

LocationType locationTypeOf(char letter) {
    switch (letter) {
        case 'A': return LocationType::Directory;
        case 'B': return LocationType::Bundled;
        case 'R': return LocationType::Relative;
        case 'S': return LocationType::SearchPath;
        case 'E': return LocationType::EnvironmentVariable;
        case 'Y': return LocationType::Registry;
        case 'W': return LocationType::WellKnown;
        default: return LocationType::None;
    }
}

std::vector<SearchEntry> parseSearchSequence(const std::string& sequence) {
    std::vector<SearchEntry> entries;
    for (const std::string& part : splitPathList(sequence))
        entries.push_back({locationTypeOf(part[0]), part[0], part.substr(1)});
    return entries;
}
