#include "foldertree/automation/MemoryStream.h"

#include "foldertree/automation/QueryInterface.h"

#include <cstring>

namespace ax {

HRESULT MemoryStream::QueryInterface(const Guid& iid, void** out) {
    return QuerySingleInterface<ISequentialStream>(this, iid, IID_ISequentialStream, out);
}

HRESULT MemoryStream::Read(void* data, uint32_t size, uint32_t* read) {
    size_t available = m_bytes.size() - m_position;
    size_t count = size < available ? size : available;
    if (count)
        std::memcpy(data, m_bytes.data() + m_position, count);
    m_position += count;
    if (read)
        *read = static_cast<uint32_t>(count);
    return count == size ? S_OK : S_FALSE;
}

HRESULT MemoryStream::Write(const void* data, uint32_t size, uint32_t* written) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    if (written)
        *written = size;
    return S_OK;
}

MemoryPropertyBag::~MemoryPropertyBag() {
    for (auto& entry : m_values)
        VariantClear(&entry.second);
}

HRESULT MemoryPropertyBag::QueryInterface(const Guid& iid, void** out) {
    return QuerySingleInterface<IPropertyBag>(this, iid, IID_IPropertyBag, out);
}

HRESULT MemoryPropertyBag::Read(const char16_t* name, Variant* value) {
    if (!name || !value)
        return E_POINTER;
    const Variant* stored = Find(name);
    return stored ? VariantCopy(value, stored) : E_INVALIDARG;
}

HRESULT MemoryPropertyBag::Write(const char16_t* name, const Variant* value) {
    if (!name || !value)
        return E_POINTER;
    Variant& slot = m_values[std::u16string(name)];
    return VariantCopy(&slot, value);
}

const Variant* MemoryPropertyBag::Find(std::u16string_view name) const {
    auto it = m_values.find(name);
    return it == m_values.end() ? nullptr : &it->second;
}

void MemoryPropertyBag::Remove(std::u16string_view name) {
    auto it = m_values.find(name);
    if (it != m_values.end()) {
        VariantClear(&it->second);
        m_values.erase(it);
    }
}

} // namespace ax
