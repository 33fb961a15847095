// The three walks over a message's `Fields`: writing the body, reading it
// back from a bounded body, and the readable one-line form.
#pragma once

#include "tests/support/testserver/MessageTypes.h"
#include "tests/support/testserver/TransferId.h"
#include "tests/support/testserver/WireReader.h"
#include "tests/support/testserver/WireWriter.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace testsupport::detail {

// Items of a list are either plain values or records with their own Fields.
template <class T> constexpr bool IsRecord() {
    return !std::is_arithmetic_v<T> && !std::is_same_v<T, std::string> && !std::is_same_v<T, msg::TransferId>;
}

class EncodeVisitor {
  public:
    explicit EncodeVisitor(WireWriter& out) : m_out(out) {}

    void operator()(const char*, uint8_t value) { m_out.U8(value); }
    void operator()(const char*, bool value) { m_out.Bool(value); }
    void operator()(const char*, uint16_t value) { m_out.U16(value); }
    void operator()(const char*, uint32_t value) { m_out.U32(value); }
    void operator()(const char*, uint64_t value) { m_out.U64(value); }
    void operator()(const char*, const std::string& value) { m_out.String(value); }
    void operator()(const char*, const msg::TransferId& id) {
        m_out.U16(msg::TransferId::kWireBytes);
        m_out.U32(id.word0);
        m_out.U32(id.word1);
        m_out.U32(id.word2);
        m_out.U32(id.word3);
    }
    void Blob32(const char*, const std::string& bytes) {
        m_out.U32(static_cast<uint32_t>(bytes.size()));
        m_out.Bytes(bytes);
    }
    template <class T>
    void List(const char*, const std::vector<T>& items, msg::CountWidth width, uint32_t perItem = 1) {
        uint64_t count = uint64_t(items.size()) * perItem;
        if (width == msg::COUNT_U16)
            m_out.U16(static_cast<uint16_t>(count));
        else
            m_out.U32(static_cast<uint32_t>(count));
        for (const T& item : items) {
            if constexpr (IsRecord<T>())
                T::Fields(*this, item);
            else
                (*this)("", item);
        }
    }
    template <class T, class... Extra> void Group(const char*, const T& group, Extra... extra) {
        T::Fields(*this, group, extra...);
    }
    // The encoder writes what it is given, faults included.
    void Fail(const char*) {}

  private:
    WireWriter& m_out;
};

class DecodeVisitor {
  public:
    explicit DecodeVisitor(WireReader& in) : m_in(in) {}

    void operator()(const char* name, uint8_t& value) { m_in.U8(name, value); }
    void operator()(const char* name, bool& value) { m_in.Bool(name, value); }
    void operator()(const char* name, uint16_t& value) { m_in.U16(name, value); }
    void operator()(const char* name, uint32_t& value) { m_in.U32(name, value); }
    void operator()(const char* name, uint64_t& value) { m_in.U64(name, value); }
    void operator()(const char* name, std::string& value) { m_in.String(name, value); }
    void operator()(const char* name, msg::TransferId& id) {
        uint16_t count = 0;
        if (!m_in.U16(name, count))
            return;
        if (count != msg::TransferId::kWireBytes) {
            m_in.Fail(std::string(name) + ": transfer id count " + std::to_string(count) + ", expected 16");
            return;
        }
        m_in.U32(name, id.word0);
        m_in.U32(name, id.word1);
        m_in.U32(name, id.word2);
        m_in.U32(name, id.word3);
    }
    void Blob32(const char* name, std::string& bytes) {
        uint32_t count = 0;
        if (m_in.U32(name, count))
            m_in.Bytes(name, count, bytes);
    }
    // The count comes from the peer: it is checked against the bytes left
    // (every item takes at least one) before any item is read.
    template <class T>
    void List(const char* name, std::vector<T>& items, msg::CountWidth width, uint32_t perItem = 1) {
        items.clear();
        uint32_t count = 0;
        if (width == msg::COUNT_U16) {
            uint16_t count16 = 0;
            if (!m_in.U16(name, count16))
                return;
            count = count16;
        } else if (!m_in.U32(name, count)) {
            return;
        }
        if (count % perItem != 0) {
            m_in.Fail(std::string(name) + ": count " + std::to_string(count) + " is not a multiple of " +
                      std::to_string(perItem));
            return;
        }
        uint32_t itemCount = count / perItem;
        if (itemCount > m_in.Remaining()) {
            m_in.Fail(std::string(name) + ": count " + std::to_string(itemCount) + " cannot fit in the " +
                      std::to_string(m_in.Remaining()) + " bytes left");
            return;
        }
        for (uint32_t i = 0; i < itemCount && !m_in.Failed(); ++i) {
            T item{};
            if constexpr (IsRecord<T>())
                T::Fields(*this, item);
            else
                (*this)(name, item);
            items.push_back(std::move(item));
        }
    }
    template <class T, class... Extra> void Group(const char*, T& group, Extra... extra) {
        T::Fields(*this, group, extra...);
    }
    void Fail(const char* why) { m_in.Fail(why); }

  private:
    WireReader& m_in;
};

// "name=value" pairs separated by blanks; texts quoted with control bytes
// escaped; long lists and blobs shortened.
class TextVisitor {
  public:
    void operator()(const char* name, uint8_t value) { Add(name, std::to_string(value)); }
    void operator()(const char* name, bool value) { Add(name, value ? "true" : "false"); }
    void operator()(const char* name, uint16_t value) { Add(name, std::to_string(value)); }
    void operator()(const char* name, uint32_t value) { Add(name, std::to_string(value)); }
    void operator()(const char* name, uint64_t value) { Add(name, std::to_string(value)); }
    void operator()(const char* name, const std::string& value) { Add(name, Quote(value)); }
    void operator()(const char* name, const msg::TransferId& id) { Add(name, id.ToText()); }
    void Blob32(const char* name, const std::string& bytes);
    template <class T>
    void List(const char* name, const std::vector<T>& items, msg::CountWidth, uint32_t = 1) {
        constexpr size_t kShown = 16;
        std::string text = "[" + std::to_string(items.size()) + "]";
        for (size_t i = 0; i < items.size() && i < kShown; ++i) {
            if constexpr (IsRecord<T>()) {
                TextVisitor inner;
                T::Fields(inner, items[i]);
                text += " {" + inner.Text() + "}";
            } else {
                text += " " + std::to_string(items[i]);
            }
        }
        if (items.size() > kShown)
            text += " ...";
        Add(name, text);
    }
    template <class T, class... Extra> void Group(const char* name, const T& group, Extra... extra) {
        TextVisitor inner;
        T::Fields(inner, group, extra...);
        Add(name, "{" + inner.Text() + "}");
    }
    void Fail(const char* why) { Add("fault", why); }

    const std::string& Text() const { return m_text; }
    static std::string Quote(const std::string& text);

  private:
    void Add(const char* name, const std::string& value);

    std::string m_text;
};

} // namespace testsupport::detail
