// Feeds what a drag from another program carries: CF_HDROP blocks, text
// and Shell IDList Arrays, and the text form of item-id lists a host
// passes. Each reader either refuses or gives what its callers rely on:
// names that encode back to a block reading the same, lists that decode,
// and text that is whole bytes of a list.
#include "foldertree/dragdrop/DropData.h"
#include "foldertree/shell/PidlText.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <string>
#include <vector>

using namespace pgv;

namespace {

void CheckDropFiles(const uint8_t* data, size_t size) {
    std::vector<std::string> names;
    if (!DecodeDropFiles(data, size, &names)) {
        FUZZ_CHECK(names.empty());
        return;
    }
    for (const std::string& name : names)
        FUZZ_CHECK(!name.empty() && name.find('\0') == std::string::npos);
    std::vector<uint8_t> again = EncodeDropFiles(names);
    std::vector<std::string> reread;
    FUZZ_CHECK(DecodeDropFiles(again.data(), again.size(), &reread) && reread == names);
}

void CheckText(const uint8_t* data, size_t size) {
    std::string text;
    if (DecodeText(data, size, &text))
        FUZZ_CHECK(text.size() < size && data[text.size()] == 0);
}

void CheckShellIdList(const uint8_t* data, size_t size) {
    std::vector<ItemIds> items;
    if (!DecodeShellIdList(data, size, &items))
        return;
    for (const ItemIds& item : items) {
        FUZZ_CHECK(!item.empty());
        ItemIdList bytes = EncodeItemIdList(item);
        FUZZ_CHECK(IsValidItemIdList(bytes.data(), bytes.size()));
    }
}

void CheckPidlText(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    ItemIdList bytes;
    if (DecodePidlText(text, &bytes))
        FUZZ_CHECK(bytes.size() * 2 == text.size() && EncodePidlText(bytes) == text);
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    auto text = [](const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); };
    std::string wide("\x14\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\1\0\0\0/\0a\0\0\0\0\0", 28);
    return {
        text(EncodeDropFiles({"/a/x", "/b/\xC3\xA9"})),
        wide,
        text(EncodeText("/home/user/Music")),
        text(EncodeShellIdList({VirtualId(VI_HOME)},
                               {NameId(IK_FOLDER, "Music", 0), NameId(IK_FILE, "a.mp3", 0)})),
        "aaaaagaadbaagnaaaaaa",
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckDropFiles(data, size);
    CheckText(data, size);
    CheckShellIdList(data, size);
    CheckPidlText(data, size);
    return 0;
}
