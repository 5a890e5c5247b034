// A host file as a ByteSource, read without loading it into memory.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "builder/host/system.h"
#include "format/byte_source.h"

// The system's reason for an error number, as "No such file or directory";
// a full disk says so in words.
std::string systemReason(int error);

// Reads a whole file; false with the system's reason when it cannot.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& reason);

// File names are UTF-8 strings throughout the builder: the path of one.
std::filesystem::path fsPath(const std::string& utf8);

// Removes a file; quietly does nothing when it cannot.
void removeFile(const std::string& utf8);

class HostFileSource final : public ByteSource {
public:
    explicit HostFileSource(const std::string& path);
    ~HostFileSource() override;
    HostFileSource(const HostFileSource&) = delete;
    HostFileSource& operator=(const HostFileSource&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    bool read(void* buffer, uint32_t n, uint32_t* got, uint32_t* systemError) override;
    bool seek(uint64_t position) override;
    uint64_t position() const override { return position_; }
    uint64_t size() const override { return size_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};
