#include "foldertree/control/PropertyStream.h"

#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/MemoryStream.h"
#include "foldertree/control/PropExchange.h"

#include <string>

namespace pgv {
namespace {

constexpr uint8_t kFontItalic = 1;
constexpr uint8_t kFontUnderline = 2;
constexpr uint8_t kFontStrikethrough = 4;
constexpr uint32_t kVersionMajorMask = 0xFFFF0000;

class StreamWriter {
  public:
    explicit StreamWriter(ax::ISequentialStream* stream) : m_stream(stream) {}
    bool Failed() const { return m_failed; }

    void Version(const char16_t*) { Unsigned(kPropsVersion, 4); }
    void Long(const char16_t*, int32_t& value) { Unsigned(static_cast<uint32_t>(value), 4); }
    void Short(const char16_t*, int16_t& value) { Unsigned(static_cast<uint16_t>(value), 2); }
    void Bool(const char16_t*, bool& value) { Unsigned(value ? 1 : 0, 1); }
    void Blob(const char16_t*, ItemIdList& list) {
        Unsigned(static_cast<uint32_t>(list.size()), 4);
        Bytes(list.data(), list.size());
    }
    void Text(const char16_t*, std::u16string& text) { WriteText(text); }
    void Font(const char16_t*, FontDesc& font) {
        WriteText(font.name);
        Unsigned(static_cast<uint64_t>(font.sizeCy), 8);
        Unsigned(static_cast<uint16_t>(font.weight), 2);
        Unsigned(static_cast<uint16_t>(font.charset), 2);
        Unsigned((font.italic ? kFontItalic : 0) | (font.underline ? kFontUnderline : 0) |
                     (font.strikethrough ? kFontStrikethrough : 0),
                 1);
    }

  private:
    void Unsigned(uint64_t value, int bytes) {
        uint8_t buffer[8];
        for (int i = 0; i < bytes; ++i)
            buffer[i] = static_cast<uint8_t>(value >> (8 * i));
        Bytes(buffer, static_cast<size_t>(bytes));
    }
    void WriteText(const std::u16string& text) {
        Unsigned(static_cast<uint32_t>(text.size()), 4);
        for (char16_t unit : text)
            Unsigned(unit, 2);
    }
    void Bytes(const uint8_t* data, size_t size) {
        uint32_t written = 0;
        if (!m_failed && size > 0 &&
            (ax::Failed(m_stream->Write(data, static_cast<uint32_t>(size), &written)) || written != size))
            m_failed = true;
    }

    ax::ISequentialStream* m_stream;
    bool m_failed = false;
};

// Reads until the first failure; every read after it leaves its value alone.
class StreamReader {
  public:
    explicit StreamReader(ax::ISequentialStream* stream) : m_stream(stream) {}
    bool Failed() const { return m_failed; }
    bool RootRefused() const { return m_rootRefused; }

    void Version(const char16_t*) {
        uint64_t version;
        if (Unsigned(4, &version) && (version & kVersionMajorMask) != (kPropsVersion & kVersionMajorMask))
            m_failed = true;
    }
    void Long(const char16_t*, int32_t& value) {
        uint64_t raw;
        if (Unsigned(4, &raw))
            value = static_cast<int32_t>(static_cast<uint32_t>(raw));
    }
    void Short(const char16_t*, int16_t& value) {
        uint64_t raw;
        if (Unsigned(2, &raw))
            value = static_cast<int16_t>(static_cast<uint16_t>(raw));
    }
    void Bool(const char16_t*, bool& value) {
        uint64_t raw;
        if (Unsigned(1, &raw))
            value = raw != 0;
    }
    void Blob(const char16_t*, ItemIdList& list) {
        uint64_t count;
        if (!Unsigned(4, &count))
            return;
        list.clear();
        if (count > kMaxRootBlobBytes) {
            m_failed = m_rootRefused = true;
            return;
        }
        ItemIdList bytes(count);
        if (!Bytes(bytes.data(), bytes.size())) {
            m_rootRefused = true;
            return;
        }
        if (count > 0 && !IsValidItemIdList(bytes.data(), bytes.size()))
            m_rootRefused = true;
        else if (ItemIdCount(bytes) > 0)
            list = std::move(bytes);
    }
    void Text(const char16_t*, std::u16string& text) { ReadText(&text); }
    void Font(const char16_t*, FontDesc& font) {
        FontDesc read;
        uint64_t size, weight, charset, flags;
        if (!ReadText(&read.name) || !Unsigned(8, &size) || !Unsigned(2, &weight) || !Unsigned(2, &charset) ||
            !Unsigned(1, &flags))
            return;
        read.sizeCy = static_cast<int64_t>(size);
        read.weight = static_cast<int16_t>(weight);
        read.charset = static_cast<int16_t>(charset);
        read.italic = flags & kFontItalic;
        read.underline = flags & kFontUnderline;
        read.strikethrough = flags & kFontStrikethrough;
        font = read;
    }

  private:
    bool ReadText(std::u16string* text) {
        uint64_t units;
        if (!Unsigned(4, &units))
            return false;
        if (units > kMaxStreamTextUnits) {
            m_failed = true;
            return false;
        }
        std::u16string read;
        read.reserve(units);
        for (uint64_t i = 0; i < units; ++i) {
            uint64_t unit;
            if (!Unsigned(2, &unit))
                return false;
            read += static_cast<char16_t>(unit);
        }
        *text = std::move(read);
        return true;
    }
    bool Unsigned(int bytes, uint64_t* value) {
        uint8_t buffer[8];
        if (!Bytes(buffer, static_cast<size_t>(bytes)))
            return false;
        *value = 0;
        for (int i = bytes; i-- > 0;)
            *value = *value << 8 | buffer[i];
        return true;
    }
    bool Bytes(uint8_t* data, size_t size) {
        if (m_failed)
            return false;
        size_t done = 0;
        while (done < size) {
            uint32_t read = 0;
            if (ax::Failed(m_stream->Read(data + done, static_cast<uint32_t>(size - done), &read)) ||
                read == 0) {
                m_failed = true;
                return false;
            }
            done += read;
        }
        return true;
    }

    ax::ISequentialStream* m_stream;
    bool m_failed = false;
    bool m_rootRefused = false;
};

} // namespace

ax::HRESULT LoadPropsFromStream(ax::ISequentialStream* stream, PathgroveProps* props, FontDesc* font) {
    if (!stream || !props || !font)
        return ax::E_POINTER;
    StreamReader reader(stream);
    LoadProps(reader, props, font);
    return reader.Failed() || reader.RootRefused() ? ax::E_FAIL : ax::S_OK;
}

ax::HRESULT LoadPropsFromBytes(const uint8_t* data, size_t size, PathgroveProps* props, FontDesc* font) {
    auto stream = ax::ComPtr<ax::MemoryStream>::Attach(new ax::MemoryStream(data, size));
    return LoadPropsFromStream(stream.Get(), props, font);
}

ax::HRESULT SavePropsToStream(ax::ISequentialStream* stream, const PathgroveProps& props,
                              const FontDesc& font) {
    if (!stream)
        return ax::E_POINTER;
    PathgroveProps saved = props;
    FontDesc savedFont = font;
    StreamWriter writer(stream);
    ExchangeProps(writer, saved, savedFont);
    return writer.Failed() ? ax::E_FAIL : ax::S_OK;
}

} // namespace pgv
