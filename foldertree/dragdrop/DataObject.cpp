#include "foldertree/dragdrop/DataObject.h"

#include "foldertree/automation/Guard.h"
#include "foldertree/automation/QueryInterface.h"
#include "foldertree/automation/SafeArray.h"
#include "foldertree/dragdrop/DropData.h"

namespace pgv {
namespace {

bool IsByteArray(const ax::Variant& value) {
    return value.vt == (ax::VT_ARRAY | ax::VT_UI1) && value.parray && value.parray->dims == 1 &&
           value.parray->elementSize == 1 && value.parray->data;
}

// What a store keeps: byte arrays, and pictures for CF_BITMAP.
bool IsStorable(uint32_t format, const ax::Variant& value) {
    if (format == CF_BITMAP)
        return value.vt == ax::VT_DISPATCH && value.pdispVal;
    return IsByteArray(value);
}

} // namespace

DataStore::~DataStore() {
    Clear();
}

ax::HRESULT DataStore::QueryInterface(const ax::Guid& iid, void** out) {
    return ax::QuerySingleInterface<IPgvDataObject>(this, iid, IID_IPgvDataObject, out);
}

ax::HRESULT DataStore::GetData(uint32_t format, ax::Variant* value) {
    if (!value)
        return ax::E_POINTER;
    auto found = m_data.find(format);
    if (found == m_data.end())
        return ax::DV_E_FORMATETC;
    return ax::VariantCopy(value, &found->second);
}

ax::HRESULT DataStore::QueryGetData(uint32_t format) {
    return m_data.count(format) ? ax::S_OK : ax::S_FALSE;
}

ax::HRESULT DataStore::SetData(uint32_t format, const ax::Variant* value) {
    if (!value)
        return ax::E_POINTER;
    // A host's call: what the store's map throws stays here.
    return m_readOnly ? ax::DV_E_FORMATETC : ax::CatchAll([&] { return Put(format, *value); });
}

ax::HRESULT DataStore::Put(uint32_t format, const ax::Variant& value) {
    if (!IsStorable(format, value))
        return ax::DISP_E_TYPEMISMATCH;
    ax::Variant copy;
    ax::VariantInit(&copy);
    ax::HRESULT hr = ax::VariantCopy(&copy, &value);
    if (ax::Failed(hr))
        return hr;
    ax::Variant& slot = m_data[format];
    ax::VariantClear(&slot);
    slot = copy;
    return ax::S_OK;
}

ax::HRESULT DataStore::PutBytes(uint32_t format, const std::vector<uint8_t>& bytes) {
    ax::ScopedVariant value;
    return MakeByteArray(bytes, &value) ? Put(format, value) : ax::E_OUTOFMEMORY;
}

void DataStore::Clear() {
    for (auto& entry : m_data)
        ax::VariantClear(&entry.second);
    m_data.clear();
}

ax::ComPtr<DataStore> ItemsDataObject(const ShellNamespace& shell, const std::vector<ItemIds>& items) {
    if (items.empty() || items[0].empty())
        return {};
    const ItemIds parent(items[0].begin(), items[0].end() - 1);
    std::vector<ItemId> children;
    std::vector<std::string> paths;
    for (const ItemIds& item : items) {
        if (item.empty() || !SameItems(ItemIds(item.begin(), item.end() - 1), parent))
            return {};
        children.push_back(item.back());
        std::string path;
        if (shell.PathOf(item, &path))
            paths.push_back(std::move(path));
    }
    auto store = ax::ComPtr<DataStore>::Attach(new DataStore(true));
    if (!paths.empty() && ax::Failed(store->PutBytes(CF_HDROP, EncodeDropFiles(paths))))
        return {};
    if (ax::Failed(store->PutBytes(CF_SHELLIDLIST, EncodeShellIdList(parent, children))))
        return {};
    return store;
}

DragSourceData::DragSourceData(ax::ComPtr<IPgvDataObject> items)
    : m_items(std::move(items)), m_own(ax::ComPtr<DataStore>::Attach(new DataStore())) {}

ax::HRESULT DragSourceData::QueryInterface(const ax::Guid& iid, void** out) {
    return ax::QuerySingleInterface<IPgvDataObject>(this, iid, IID_IPgvDataObject, out);
}

ax::HRESULT DragSourceData::GetData(uint32_t format, ax::Variant* value) {
    if (m_own->QueryGetData(format) == ax::S_OK || !m_items)
        return m_own->GetData(format, value);
    return m_items->GetData(format, value);
}

ax::HRESULT DragSourceData::QueryGetData(uint32_t format) {
    if (m_own->QueryGetData(format) == ax::S_OK)
        return ax::S_OK;
    return m_items ? m_items->QueryGetData(format) : ax::S_FALSE;
}

ax::HRESULT DragSourceData::SetData(uint32_t format, const ax::Variant* value) {
    if (!value)
        return ax::E_POINTER;
    ax::HRESULT hr = m_items ? m_items->SetData(format, value) : ax::DV_E_FORMATETC;
    return hr == ax::DV_E_FORMATETC ? ax::CatchAll([&] { return m_own->Put(format, *value); }) : hr;
}

bool MakeByteArray(const std::vector<uint8_t>& bytes, ax::Variant* value) {
    value->parray = ax::SafeArrayFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    value->vt = value->parray ? static_cast<ax::VARTYPE>(ax::VT_ARRAY | ax::VT_UI1)
                              : static_cast<ax::VARTYPE>(ax::VT_EMPTY);
    return value->parray != nullptr;
}

bool ReadBytes(IPgvDataObject* data, uint32_t format, std::vector<uint8_t>* bytes) {
    bytes->clear();
    ax::ScopedVariant value;
    if (!data || data->GetData(format, &value) != ax::S_OK || !IsByteArray(value))
        return false;
    const auto* at = static_cast<const uint8_t*>(value.parray->data);
    bytes->assign(at, at + value.parray->bounds[0].elements);
    return true;
}

std::vector<std::string> DraggedPaths(const ShellNamespace& shell, IPgvDataObject* data) {
    std::vector<std::string> paths;
    std::vector<uint8_t> bytes;
    std::vector<ItemIds> items;
    if (ReadBytes(data, CF_SHELLIDLIST, &bytes) && DecodeShellIdList(bytes.data(), bytes.size(), &items)) {
        for (const ItemIds& item : items) {
            std::string path;
            if (!shell.PathOf(item, &path))
                return {};
            paths.push_back(std::move(path));
        }
        return paths;
    }
    std::vector<std::string> names;
    if (!ReadBytes(data, CF_HDROP, &bytes) || !DecodeDropFiles(bytes.data(), bytes.size(), &names))
        return {};
    for (const std::string& name : names) {
        if (name.empty() || name[0] != '/')
            return {};
    }
    return names;
}

} // namespace pgv
