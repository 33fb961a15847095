// The desktop's default application for a file type, from the XDG
// mimeapps.list chain and the application's desktop file.
#pragma once

#include <string>
#include <vector>

namespace platform {

// ".mp3" -> "audio/mpeg"; "" when unknown.
std::string MimeTypeOfExtension(const std::string& extension);
// The Name= of the first desktop file that the mimeapps.list chain makes the
// default for `mimeType` and that exists; "" when there is none.
std::string DefaultAppNameFor(const std::string& mimeType);

// Parsers, exposed for tests.
// Desktop file ids listed for `mimeType` under [Default Applications].
std::vector<std::string> ParseMimeAppsDefaults(const std::string& fileText, const std::string& mimeType);
// Name= of the [Desktop Entry] group.
std::string ParseDesktopEntryName(const std::string& fileText);
// The MIME type that a mime.types text gives `extension` (without the dot).
std::string ParseMimeTypesFile(const std::string& fileText, const std::string& extension);

} // namespace platform
