// A byte stream and a property bag held in memory, for hosts that keep a
// control's saved state themselves and for reading saved state from a buffer.
#pragma once

#include "foldertree/automation/Interfaces.h"
#include "foldertree/automation/RefCounted.h"

#include <map>
#include <string>
#include <vector>

namespace ax {

class MemoryStream final : public ISequentialStream, public RefCounted {
  public:
    MemoryStream() = default;
    MemoryStream(const uint8_t* data, size_t size) : m_bytes(data, data + size) {}

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    HRESULT Read(void* data, uint32_t size, uint32_t* read) override;
    HRESULT Write(const void* data, uint32_t size, uint32_t* written) override;

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    size_t Position() const { return m_position; }

  private:
    std::vector<uint8_t> m_bytes;
    size_t m_position = 0;
};

// Names compare exactly, as the saved data spells them.
class MemoryPropertyBag final : public IPropertyBag, public RefCounted {
  public:
    ~MemoryPropertyBag() override;

    HRESULT QueryInterface(const Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    HRESULT Read(const char16_t* name, Variant* value) override;
    HRESULT Write(const char16_t* name, const Variant* value) override;

    // The stored value of `name`, or null.
    const Variant* Find(std::u16string_view name) const;
    void Remove(std::u16string_view name);
    size_t Size() const { return m_values.size(); }

  private:
    std::map<std::u16string, Variant, std::less<>> m_values;
};

} // namespace ax
