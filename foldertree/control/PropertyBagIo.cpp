#include "foldertree/control/PropertyBagIo.h"

#include "foldertree/automation/SafeArray.h"
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/PropExchange.h"
#include "foldertree/control/PropertyStream.h"

#include <charconv>
#include <string>

namespace pgv {
namespace {

constexpr int kFontNumberFields = 4;

class BagWriter {
  public:
    explicit BagWriter(ax::IPropertyBag* bag) : m_bag(bag) {}
    bool Failed() const { return m_failed; }

    void Version(const char16_t* name) { Put(name, ax::MakeI4(static_cast<int32_t>(kPropsVersion))); }
    void Long(const char16_t* name, int32_t& value) { Put(name, ax::MakeI4(value)); }
    void Short(const char16_t* name, int16_t& value) { Put(name, ax::MakeI2(value)); }
    void Bool(const char16_t* name, bool& value) { Put(name, ax::MakeBool(value)); }
    void Blob(const char16_t* name, ItemIdList& list) {
        ax::Variant value;
        ax::VariantInit(&value);
        value.vt = ax::VT_ARRAY | ax::VT_UI1;
        value.parray = ax::SafeArrayFromBytes(list.data(), static_cast<uint32_t>(list.size()));
        Put(name, value);
    }
    void Text(const char16_t* name, std::u16string& text) { Put(name, ax::MakeBstr(text)); }
    void Font(const char16_t* name, FontDesc& font) { Put(name, ax::MakeBstr(FormatFontText(font))); }

  private:
    void Put(const char16_t* name, ax::Variant value) {
        if (ax::Failed(m_bag->Write(name, &value)))
            m_failed = true;
        ax::VariantClear(&value);
    }

    ax::IPropertyBag* m_bag;
    bool m_failed = false;
};

class BagReader {
  public:
    explicit BagReader(ax::IPropertyBag* bag) : m_bag(bag) {}
    bool Failed() const { return m_failed; }

    void Version(const char16_t* name) {
        ax::ScopedVariant value;
        if (Get(name, ax::VT_I4, &value) &&
            (static_cast<uint32_t>(value.lVal) >> 16) != (kPropsVersion >> 16))
            m_failed = true;
    }
    void Long(const char16_t* name, int32_t& field) {
        ax::ScopedVariant value;
        if (Get(name, ax::VT_I4, &value))
            field = value.lVal;
    }
    void Short(const char16_t* name, int16_t& field) {
        ax::ScopedVariant value;
        if (Get(name, ax::VT_I2, &value))
            field = value.iVal;
    }
    void Bool(const char16_t* name, bool& field) {
        ax::ScopedVariant value;
        if (Get(name, ax::VT_BOOL, &value))
            field = value.boolVal != ax::VARIANT_FALSE;
    }
    void Blob(const char16_t* name, ItemIdList& list) {
        ax::ScopedVariant value;
        if (ax::Failed(m_bag->Read(name, &value)))
            return;
        list.clear();
        const ax::SafeArray* array = value.parray;
        // The array comes from the host: its element size and data are
        // checked, not trusted.
        if (value.vt != (ax::VT_ARRAY | ax::VT_UI1) || !array || array->dims != 1 ||
            array->elementSize != 1 || !array->data || array->bounds[0].elements > kMaxRootBlobBytes) {
            m_failed = true;
            return;
        }
        const auto* bytes = static_cast<const uint8_t*>(array->data);
        uint32_t count = array->bounds[0].elements;
        if (count > 0 && !IsValidItemIdList(bytes, count)) {
            m_failed = true;
            return;
        }
        ItemIdList read(bytes, bytes + count);
        if (ItemIdCount(read) > 0)
            list = std::move(read);
    }
    void Text(const char16_t* name, std::u16string& text) {
        ax::ScopedVariant value;
        if (Get(name, ax::VT_BSTR, &value))
            text = ax::BstrView(value.bstrVal);
    }
    void Font(const char16_t* name, FontDesc& font) {
        ax::ScopedVariant value;
        FontDesc read;
        if (Get(name, ax::VT_BSTR, &value) && ParseFontText(ax::BstrView(value.bstrVal), &read))
            font = read;
    }

  private:
    bool Get(const char16_t* name, ax::VARTYPE vt, ax::Variant* value) {
        return ax::Succeeded(m_bag->Read(name, value)) &&
               ax::Succeeded(ax::VariantChangeType(value, value, vt));
    }

    ax::IPropertyBag* m_bag;
    bool m_failed = false;
};

} // namespace

std::u16string FormatFontText(const FontDesc& font) {
    int flags = (font.italic ? 1 : 0) | (font.underline ? 2 : 0) | (font.strikethrough ? 4 : 0);
    std::string numbers = std::to_string(font.sizeCy) + ";" + std::to_string(font.weight) + ";" +
                          std::to_string(font.charset) + ";" + std::to_string(flags) + ";";
    return ax::Utf8ToUtf16(numbers) + font.name;
}

bool ParseFontText(std::u16string_view text, FontDesc* font) {
    int64_t numbers[kFontNumberFields];
    size_t at = 0;
    for (int64_t& number : numbers) {
        size_t end = text.find(u';', at);
        if (end == std::u16string_view::npos || end == at || end - at > 20)
            return false;
        std::string digits = ax::Utf16ToUtf8(text.substr(at, end - at));
        auto result = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (result.ec != std::errc() || result.ptr != digits.data() + digits.size())
            return false;
        at = end + 1;
    }
    if (numbers[1] < 0 || numbers[1] > 1000 || numbers[2] < 0 || numbers[2] > 255 || numbers[3] < 0 ||
        numbers[3] > 7 || text.size() - at > kMaxStreamTextUnits)
        return false;
    font->sizeCy = numbers[0];
    font->weight = static_cast<int16_t>(numbers[1]);
    font->charset = static_cast<int16_t>(numbers[2]);
    font->italic = numbers[3] & 1;
    font->underline = numbers[3] & 2;
    font->strikethrough = numbers[3] & 4;
    font->name = std::u16string(text.substr(at));
    return true;
}

ax::HRESULT LoadPropsFromBag(ax::IPropertyBag* bag, PathgroveProps* props, FontDesc* font) {
    if (!bag || !props || !font)
        return ax::E_POINTER;
    BagReader reader(bag);
    LoadProps(reader, props, font);
    return reader.Failed() ? ax::E_FAIL : ax::S_OK;
}

ax::HRESULT SavePropsToBag(ax::IPropertyBag* bag, const PathgroveProps& props, const FontDesc& font) {
    if (!bag)
        return ax::E_POINTER;
    PathgroveProps saved = props;
    FontDesc savedFont = font;
    BagWriter writer(bag);
    ExchangeProps(writer, saved, savedFont);
    return writer.Failed() ? ax::E_FAIL : ax::S_OK;
}

} // namespace pgv
