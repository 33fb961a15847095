// Track locations of the media library's XML file, as local paths.
#pragma once

#include <string>

// The local path of a "file://localhost/" URL ("file://localhost/home/u/x.mp3"
// gives "/home/u/x.mp3"), percent escapes decoded to bytes read as UTF-8;
// empty for any other location.
std::wstring LocationToPath(const std::wstring& location);

// Each "%" and two hexadecimal digits become the byte they give; a "%"
// without two digits after it stays as it is.
std::string PercentDecode(const std::string& text);
