// Turns the generic launcher into an application's executable image: its
// resource section rebuilt with the project's resources and its subsystem set
// from the executable type. The configuration block goes after the result.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/pe/pe_image.h"
#include "builder/project/build_plan.h"
#include "builder/pe/resource_section.h"

// Reads a file named by the project; false with the system's reason when it
// cannot be read.
using FileReader = std::function<bool(const std::string& path, std::string& bytes, std::string& reason)>;
bool readHostFile(const std::string& path, std::string& bytes, std::string& reason);

// GUI for executable types 1 and 5, console for every other type.
uint16_t subsystemForType(int executableType);

// Applies the project's resources to a resource list.
bool applyResources(const ResourcePlan& plan, uint16_t machine, const std::string& outputName,
                    const FileReader& readFile, std::vector<rsrc::Resource>& resources, std::string& error);

// Things the finished executable lacks that its configuration asks for.
std::vector<std::string> resourceWarnings(const block::RawBlock& block, const std::vector<rsrc::Resource>& resources);

// The image of the application's executable: the stub with its resource
// section rebuilt and its subsystem set. The checksum is not yet set: it
// covers the appended data too.
bool buildImage(const std::string& stub, const std::string& stubPath, const BuildPlan& plan,
                const std::string& outputName, const FileReader& readFile, pe::Image& image,
                std::vector<std::string>& warnings, std::string& error);
