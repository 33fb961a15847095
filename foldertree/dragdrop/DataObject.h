// Data objects of drags: a store of data by clipboard format, the data
// object of namespace items (the paths as CF_HDROP and the lists as Shell
// IDList Array, taking nothing else), and the source of a drag that starts
// in the tree, which offers what the host adds besides the items' data.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/RefCounted.h"
#include "foldertree/shell/ShellNamespace.h"

#include <map>
#include <string>
#include <vector>

namespace pgv {

class DataStore final : public IPgvDataObject, public ax::RefCounted {
  public:
    // A read-only store refuses SetData (DV_E_FORMATETC).
    explicit DataStore(bool readOnly = false) : m_readOnly(readOnly) {}
    ~DataStore() override;

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT GetData(uint32_t format, ax::Variant* value) override;
    ax::HRESULT QueryGetData(uint32_t format) override;
    ax::HRESULT SetData(uint32_t format, const ax::Variant* value) override;

    // Stores bytes or a picture whatever the read-only flag.
    ax::HRESULT Put(uint32_t format, const ax::Variant& value);
    ax::HRESULT PutBytes(uint32_t format, const std::vector<uint8_t>& bytes);
    void Clear();

  private:
    bool m_readOnly;
    std::map<uint32_t, ax::Variant> m_data;
};

// The data of `items` (children of one folder): their paths (those that
// have one) and their lists; null when there are none.
ax::ComPtr<DataStore> ItemsDataObject(const ShellNamespace& shell, const std::vector<ItemIds>& items);

// The source of a drag from the tree: the host's data first, then the
// items' data; data the items' object refuses is kept here.
class DragSourceData final : public IPgvDataObject, public ax::RefCounted {
  public:
    explicit DragSourceData(ax::ComPtr<IPgvDataObject> items);

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT GetData(uint32_t format, ax::Variant* value) override;
    ax::HRESULT QueryGetData(uint32_t format) override;
    ax::HRESULT SetData(uint32_t format, const ax::Variant* value) override;

    // Drops what the host set.
    void Empty() { m_own->Clear(); }

  private:
    ax::ComPtr<IPgvDataObject> m_items;
    ax::ComPtr<DataStore> m_own;
};

// A one-dimensional byte array of `bytes` in `*value` (an empty one
// before); false when memory runs out.
bool MakeByteArray(const std::vector<uint8_t>& bytes, ax::Variant* value);
// The bytes of `format` in `data` (a byte array); false when not offered.
bool ReadBytes(IPgvDataObject* data, uint32_t format, std::vector<uint8_t>* bytes);
// The file-system paths a drag carries: the lists of its Shell IDList
// Array, else the absolute names of its CF_HDROP.
std::vector<std::string> DraggedPaths(const ShellNamespace& shell, IPgvDataObject* data);

} // namespace pgv
