// The embedded configuration: two id-keyed tables read once from the block
// after the executable's last section, and their accessors, from which the
// typed configuration (launch_config.h) is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/block.h"
#include "platform/outcome.h"

// Entries in the order they were applied: of two with the same id the later
// one holds. A block has a few hundred; they are looked up once each.
struct ConfigTables {
    std::vector<block::NarrowEntry> narrow;
    std::vector<block::WideEntry> wide;
    // File position of the first byte after the block: included files start here.
    uint64_t endPosition = 0;
};

// Stores a block's entries in the tables. A later value of an id replaces an
// earlier one; a localised group applies when its code is a prefix of
// localeCode (an empty code matches any locale), in file order. With no
// locale code (nullptr) no group applies.
void applyBlock(const block::RawBlock& raw, const char* localeCode, ConfigTables& tables);

// Reads this executable's block into tables (Win32 layer); ends the launch
// when the file cannot be read or the block is damaged, with what could be
// read in the tables all the same.
[[nodiscard]] Outcome loadEmbeddedConfig(ConfigTables& tables);

// Narrow text of id; empty when missing.
std::string configString(const ConfigTables& tables, int id);
// atoi of the narrow text of id; 0 when missing. Flags are on when non-zero.
int configInt(const ConfigTables& tables, int id);
// "r,g,b" as red + green * 256 + blue * 65536; missing components count as 0.
uint32_t configColor(const ConfigTables& tables, int id);
// Wide text of id; empty when missing.
std::u16string configWideString(const ConfigTables& tables, int id);
bool hasString(const ConfigTables& tables, int id);
bool hasWideString(const ConfigTables& tables, int id);

// The C library's atoi, without its undefined behaviour on overflow
// (out-of-range values saturate).
int parseLeadingInt(const std::string& text);
