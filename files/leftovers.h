// The names of extraction directories and the rules that remove those of
// processes that ended without cleaning up.
//
// An extraction directory "qvo<16 hex digits>.tmp_dir" has an owner file of
// the same name without "_dir". The owner creates that file first and holds
// it open, without sharing, for as long as it runs; only then does it create
// the directory. At its end it removes the directory and then lets the file
// go. So a directory whose owner file can be taken (opened or created without
// sharing) belongs to no live process, and whoever holds the file owns the
// name: a sweeper holds it while it removes the directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// "qvo" and the unique number as 16 lower-case hex digits, then ".tmp".
std::string ownerFileName(uint64_t unique);
// A number for ownerFileName from values that differ between starts (time,
// process id, counters): mixed so that close inputs give distant names.
uint64_t mixUnique(uint64_t a, uint64_t b, uint64_t c);

struct TempEntry {
    std::string name;
    bool directory = false;
};

// The owner file name an entry of the temporary directory belongs to: for
// an owner file or an extraction directory of the form above; none for
// everything else (other programs, older forms, the communication and
// write-test names).
std::optional<std::string> ownerOf(const TempEntry& entry);

// What the sweep asks of the temporary directory.
class SweepPlace {
public:
    virtual ~SweepPlace() = default;
    virtual std::vector<TempEntry> list() = 0;
    // Takes the owner file without sharing (creating it when it is missing);
    // false when someone holds it: its process is alive, or another start
    // sweeps it.
    virtual bool take(const std::string& ownerFile) = 0;
    virtual void removeTree(const std::string& directory) = 0;
    // Lets a taken owner file go; it is deleted.
    virtual void release(const std::string& ownerFile) = 0;
};

// Removes the extraction directories and owner files of ended processes,
// never the names of ownFile; returns how many names were freed.
int sweepLeftovers(SweepPlace& place, const std::string& ownFile);
