#include "foldertree/host/Manifest.h"

#include "platform/system/ExePath.h"

#include <sstream>

namespace pgvhost {
namespace {

bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// Reads "key value" pairs after the id; false for an unknown key or a key
// without a value.
bool ReadOptions(std::istringstream& words, ManifestClass* entry) {
    std::string key, value;
    while (words >> key) {
        if (!(words >> value))
            return false;
        if (key == "progid")
            entry->progId = value;
        else if (key == "threading")
            entry->threading = value;
        else
            return false;
    }
    return true;
}

bool ParseLine(const std::string& line, Manifest* manifest) {
    std::istringstream words(line);
    std::string keyword, argument;
    if (!(words >> keyword))
        return true;
    if (keyword[0] == '#')
        return true;
    if (!(words >> argument))
        return false;
    if (keyword == "file") {
        std::string extra;
        if (!IsPlainFileName(argument) || (words >> extra))
            return false;
        manifest->files.push_back({argument, {}, {}});
        return true;
    }
    if (manifest->files.empty())
        return false;
    ManifestFile& file = manifest->files.back();
    if (keyword == "comClass") {
        ManifestClass entry;
        if (!ax::ParseGuid(argument, &entry.clsid) || !ReadOptions(words, &entry))
            return false;
        file.classes.push_back(entry);
        return true;
    }
    if (keyword == "typelib") {
        ManifestTypeLib entry;
        std::string key, extra;
        if (!ax::ParseGuid(argument, &entry.libid) || !(words >> key >> entry.version) || key != "version" ||
            (words >> extra))
            return false;
        file.typeLibs.push_back(entry);
        return true;
    }
    return false;
}

} // namespace

const ManifestFile* Manifest::FindClass(const ax::Guid& clsid) const {
    for (const ManifestFile& file : files) {
        for (const ManifestClass& entry : file.classes) {
            if (entry.clsid == clsid)
                return &file;
        }
    }
    return nullptr;
}

bool ParseManifest(std::string_view text, Manifest* manifest, int* badLine) {
    Manifest parsed;
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line(
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        start = end == std::string_view::npos ? text.size() : end + 1;
        ++number;
        if (!ParseLine(line, &parsed)) {
            *badLine = number;
            return false;
        }
    }
    *manifest = std::move(parsed);
    return true;
}

std::string ProgramManifestPath() {
    std::string program = platform::ExecutablePath();
    return program.empty() ? std::string() : program + ".manifest";
}

} // namespace pgvhost
