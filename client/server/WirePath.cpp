#include "client/server/WirePath.h"

std::wstring WireDirToLocal(const std::wstring& wireDir) {
    std::wstring local = wireDir;
    for (wchar_t& c : local) {
        if (c == L'\\')
            c = L'/';
    }
    return local;
}
