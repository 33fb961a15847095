#include "include/io/BufStrings.h"

#include "include/io/Buf.h"

namespace {

constexpr int kLengthBytes = 2;

bool HoldsWholeString(Buf& buf) {
    if (buf.GetNumUsedBytes() <= kLengthBytes)
        return false;
    int length = static_cast<int>(buf.PeekNum(kLengthBytes, 0));
    return buf.GetNumUsedBytes() >= length + kLengthBytes;
}

} // namespace

std::wstring TryReadWString(Buf& buf) {
    if (!HoldsWholeString(buf))
        return std::wstring();
    return buf.ReadWString(buf.GetSize());
}

std::string TryReadString(Buf& buf) {
    if (!HoldsWholeString(buf))
        return std::string();
    return buf.ReadStdString(buf.GetSize());
}
