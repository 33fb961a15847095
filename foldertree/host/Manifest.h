// The activation manifest beside a program: the libraries it may load and
// the classes each one serves, so classes are created without a registry.
//
//   file libpgrove80.so
//   comClass {B16CCC43-CED6-4B9A-A61F-45478BAB55DB} progid Pathgrove.PathgroveCtrl.2008 threading Apartment
//   typelib {9E384C4F-AAC0-4529-805F-092B3F611AC4} version 10.0
//
// "comClass" and "typelib" lines belong to the "file" line before them; a
// file is a plain name, found in the manifest's own folder.
#pragma once

#include "foldertree/automation/Guid.h"

#include <string>
#include <string_view>
#include <vector>

namespace pgvhost {

struct ManifestClass {
    ax::Guid clsid;
    std::string progId;
    std::string threading;
};

struct ManifestTypeLib {
    ax::Guid libid;
    std::string version;
};

struct ManifestFile {
    std::string name;
    std::vector<ManifestClass> classes;
    std::vector<ManifestTypeLib> typeLibs;
};

struct Manifest {
    std::vector<ManifestFile> files;

    // The file that serves `clsid`, or null.
    const ManifestFile* FindClass(const ax::Guid& clsid) const;
};

// False for a malformed manifest, with `*badLine` its first bad line (from 1).
[[nodiscard]] bool ParseManifest(std::string_view text, Manifest* manifest, int* badLine);

// "<program>.manifest" beside the running program.
std::string ProgramManifestPath();

} // namespace pgvhost
