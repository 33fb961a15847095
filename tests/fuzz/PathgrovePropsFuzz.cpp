// Feeds the folder-tree control's saved-settings reader (the binary stream
// a host keeps) and the font text of its property bag. A stream that loads
// is saved again and must load back to the same settings and font; a font
// text that parses must format to a text that parses to the same font.
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/MemoryStream.h"
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/PropertyBagIo.h"
#include "foldertree/control/PropertyStream.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <string>
#include <vector>

using namespace pgv;

namespace {

std::string Saved(const PathgroveProps& props, const FontDesc& font) {
    auto stream = ax::ComPtr<ax::MemoryStream>::Attach(new ax::MemoryStream());
    FUZZ_CHECK(SavePropsToStream(stream.Get(), props, font) == ax::S_OK);
    return std::string(stream->Bytes().begin(), stream->Bytes().end());
}

void CheckStream(const uint8_t* data, size_t size) {
    PathgroveProps props;
    FontDesc font;
    ax::HRESULT hr = LoadPropsFromBytes(data, size, &props, &font);
    FUZZ_CHECK(hr == ax::S_OK || hr == ax::E_FAIL);
    FUZZ_CHECK(props.root.empty() || IsValidItemIdList(props.root.data(), props.root.size()));
    FUZZ_CHECK(props.root.size() <= kMaxRootBlobBytes);
    FUZZ_CHECK(IsIndentAllowed(props.indent) && IsSelectionDelayAllowed(props.selectionDelay));
    if (hr != ax::S_OK)
        return;
    std::string again = Saved(props, font);
    PathgroveProps reloaded;
    FontDesc reloadedFont;
    FUZZ_CHECK(LoadPropsFromBytes(reinterpret_cast<const uint8_t*>(again.data()), again.size(), &reloaded,
                                  &reloadedFont) == ax::S_OK);
    FUZZ_CHECK(reloaded == props);
    FUZZ_CHECK(reloadedFont == font);
}

void CheckFontText(const uint8_t* data, size_t size) {
    std::u16string text = ax::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
    FontDesc font;
    if (!ParseFontText(text, &font))
        return;
    FontDesc again;
    FUZZ_CHECK(ParseFontText(FormatFontText(font), &again));
    FUZZ_CHECK(again == font);
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    PathgroveProps changed;
    changed.root = {7, 0, 0x31, 0, 'a', 'b', 0, 0, 0};
    changed.indent = 40;
    changed.showCheckBoxes = true;
    changed.autoCheckChildren = true;
    FontDesc font;
    font.name = u"Serif";
    font.italic = true;
    return {
        Saved(PathgroveProps(), FontDesc()),   Saved(changed, font),
        "90000;700;0;1;DejaVu Sans",           "1;400;0;0;",
        ax::Utf16ToUtf8(FormatFontText(font)),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckStream(data, size);
    CheckFontText(data, size);
    return 0;
}
