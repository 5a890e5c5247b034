// The files the builder writes: never one of its inputs, only ever a regular
// file, and replaced only once the new one is complete.
#pragma once

#include <string>
#include <vector>

// A file a command reads, and what names it ("app.toml:7: resources.icon").
struct BuildInput {
    std::string path;
    std::string what;
};

// Whether output may be written: absent, or a regular file that is none of
// the inputs. Files are compared by identity (device and inode, or the
// system's equivalent), so another name, a link or a "..." path of an input
// is found too.
bool checkOutput(const std::string& output, const std::vector<BuildInput>& inputs, std::string& error);

// Puts a complete partial file in the output's place (keeping the output's
// usual permissions); false with the reason when it cannot, the partial
// file then removed.
bool replaceWithPartial(const std::string& partial, const std::string& output, std::string& reason);

// Writes bytes to path through a partial file beside it and a rename, so that
// path holds either its old content or all of the new; false with the
// system's reason.
bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string& reason);
