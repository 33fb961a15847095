#include "foldertree/dragdrop/PGVDataObject.h"

#include "foldertree/automation/SafeArray.h"
#include "foldertree/automation/Utf16.h"
#include "foldertree/dragdrop/DropData.h"

#include <new>
#include <string>
#include <vector>

namespace pgv {

using ax::HRESULT;
using ax::Variant;

namespace {

constexpr uint16_t kStateError = 1001;
constexpr uint16_t kDimensionError = 1002;
constexpr uint16_t kMemoryError = 1004;
constexpr const char16_t* kOutOfMemory = u"Out of Memory";

#define PGV_HANDLER_CLASS CPGVDataObject
constexpr ax::DispHandlers<CPGVDataObject> kHandlers[] = {PGV_DATAOBJECT_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

// The strings of a one-dimensional array of strings (or of variants that
// are all strings).
bool ReadStrings(const ax::SafeArray* array, std::vector<std::string>* names) {
    uint32_t count = array->bounds[0].elements;
    for (uint32_t i = 0; i < count; ++i) {
        ax::BSTR text = nullptr;
        if (array->vt == ax::VT_BSTR) {
            text = static_cast<ax::BSTR*>(array->data)[i];
        } else {
            const Variant& element = static_cast<const Variant*>(array->data)[i];
            if (element.vt != ax::VT_BSTR)
                return false;
            text = element.bstrVal;
        }
        names->push_back(ax::Utf16ToUtf8(ax::BstrView(text)));
    }
    return true;
}

HRESULT StringArrayResult(Variant* result, const std::vector<std::string>& names) {
    ax::SafeArrayBound bound = {static_cast<uint32_t>(names.size()), 0};
    ax::SafeArray* array = ax::SafeArrayCreate(ax::VT_BSTR, 1, &bound);
    if (!array)
        return ax::RaiseError(kMemoryError, kOutOfMemory);
    for (size_t i = 0; i < names.size(); ++i)
        static_cast<ax::BSTR*>(array->data)[i] = ax::AllocBstr(ax::Utf8ToUtf16(names[i]));
    result->vt = ax::VT_ARRAY | ax::VT_BSTR;
    result->parray = array;
    return ax::S_OK;
}

} // namespace

CPGVDataObject::CPGVDataObject(IPgvDataObject* drop, DragSourceData* source)
    : DispatchObject(dataobject_members::kTable, kHandlers, IID_IPGVDataObject), m_drop(drop),
      m_source(source) {}

ax::IDispatch* CPGVDataObject::ForDrop(IPgvDataObject* data) {
    return data ? new (std::nothrow) CPGVDataObject(data, nullptr) : nullptr;
}

ax::IDispatch* CPGVDataObject::ForSource(DragSourceData* source) {
    return source ? new (std::nothrow) CPGVDataObject(nullptr, source) : nullptr;
}

HRESULT CPGVDataObject::NotReadable() const {
    return ax::RaiseError(kStateError, u"Data cannot be retrieved in the current state");
}

HRESULT CPGVDataObject::OutOfMemory() const {
    return ax::RaiseError(kMemoryError, kOutOfMemory);
}

HRESULT CPGVDataObject::SetBytes(uint32_t format, const std::vector<uint8_t>& bytes) {
    ax::ScopedVariant value;
    return MakeByteArray(bytes, &value) ? m_source->SetData(format, &value) : OutOfMemory();
}

HRESULT CPGVDataObject::NotWritable() const {
    return ax::RaiseError(kStateError, u"Data cannot be set in the current state");
}

HRESULT CPGVDataObject::GetFiles(Variant*, Variant* result) {
    if (!m_drop)
        return NotReadable();
    std::vector<uint8_t> bytes;
    std::vector<std::string> names;
    if (ReadBytes(m_drop.Get(), CF_HDROP, &bytes))
        DecodeDropFiles(bytes.data(), bytes.size(), &names);
    return StringArrayResult(result, names);
}

HRESULT CPGVDataObject::PutFiles(Variant* args, Variant*) {
    if (!m_source)
        return NotWritable();
    const Variant& value = args[0];
    const ax::SafeArray* array = value.parray;
    if (!(value.vt & ax::VT_ARRAY) || !array)
        return ax::RaiseError(kStateError, u"Type Mismatch in Parameter. Pass a string array");
    if (array->dims != 1)
        return ax::RaiseError(kDimensionError, u"Type Mismatch in Parameter. Pass a one-dimensional array");
    std::vector<std::string> names;
    if ((array->vt != ax::VT_BSTR && array->vt != ax::VT_VARIANT) || !ReadStrings(array, &names))
        return ax::RaiseError(kStateError, u"Type Mismatch in Parameter. Pass a string array");
    return SetBytes(CF_HDROP, EncodeDropFiles(names));
}

HRESULT CPGVDataObject::CallGetBinary(Variant* args, Variant* result) {
    if (!m_drop)
        return NotReadable();
    std::vector<uint8_t> bytes;
    if (!ReadBytes(m_drop.Get(), static_cast<uint32_t>(args[0].lVal), &bytes) || MakeByteArray(bytes, result))
        return ax::S_OK;
    return OutOfMemory();
}

HRESULT CPGVDataObject::CallGetFormat(Variant* args, Variant* result) {
    if (!m_drop)
        return NotReadable();
    return ax::SetBoolResult(result, m_drop->QueryGetData(static_cast<uint32_t>(args[0].lVal)) == ax::S_OK);
}

HRESULT CPGVDataObject::CallGetText(Variant*, Variant* result) {
    if (!m_drop)
        return NotReadable();
    std::vector<uint8_t> bytes;
    std::string text;
    if (ReadBytes(m_drop.Get(), CF_TEXT, &bytes))
        DecodeText(bytes.data(), bytes.size(), &text);
    return ax::SetResult(result, ax::Utf8ToUtf16(text));
}

HRESULT CPGVDataObject::CallSetBinary(Variant* args, Variant*) {
    if (!m_source)
        return NotWritable();
    const Variant& data = args[0];
    if (data.vt != (ax::VT_ARRAY | ax::VT_UI1) || !data.parray || data.parray->dims != 1)
        return ax::DISP_E_TYPEMISMATCH;
    return m_source->SetData(static_cast<uint32_t>(args[1].lVal), &data);
}

HRESULT CPGVDataObject::CallSetText(Variant* args, Variant*) {
    if (!m_source)
        return NotWritable();
    return SetBytes(CF_TEXT, EncodeText(ax::Utf16ToUtf8(ax::BstrView(args[0].bstrVal))));
}

HRESULT CPGVDataObject::CallEmpty(Variant*, Variant*) {
    if (!m_source)
        return NotWritable();
    m_source->Empty();
    return ax::S_OK;
}

HRESULT CPGVDataObject::CallSetBitmap(Variant* args, Variant*) {
    if (!m_source)
        return NotWritable();
    if (!args[0].pdispVal)
        return ax::E_INVALIDARG;
    return m_source->SetData(CF_BITMAP, &args[0]);
}

HRESULT CPGVDataObject::CallGetBitmap(Variant*, Variant* result) {
    if (!m_drop)
        return NotReadable();
    ax::ScopedVariant picture;
    if (m_drop->GetData(CF_BITMAP, &picture) != ax::S_OK || picture.vt != ax::VT_DISPATCH ||
        !picture.pdispVal)
        return ax::SetResult(result, static_cast<ax::IDispatch*>(nullptr));
    picture.pdispVal->AddRef();
    return ax::SetResult(result, picture.pdispVal);
}

} // namespace pgv
