#include "foldertree/pages/PropertyPage.h"

#include "foldertree/automation/Guard.h"

namespace pgv {
namespace {

constexpr const char16_t* kBorderStyles[] = {u"None", u"Flat", u"Sunken"};

constexpr PgvPageField kGeneralFields[] = {
    {219, PFK_CHECKBOX, u"Has Buttons", u"HasButtons", nullptr, 0},
    {220, PFK_CHECKBOX, u"Has Lines", u"HasLines", nullptr, 0},
    {221, PFK_CHECKBOX, u"Has Lines At Root", u"HasLinesAtRoot", nullptr, 0},
    {222, PFK_CHECKBOX, u"Hot Tracking", u"HotTracking", nullptr, 0},
    {223, PFK_CHECKBOX, u"Expand Selected Node", u"ExpandSelectedNode", nullptr, 0},
    {224, PFK_INTEGER, u"Indentation", u"Indent", nullptr, 0},
    {236, PFK_INTEGER, u"Selection Delay (milliseconds)", u"SelectionDelay", nullptr, 0},
    {240, PFK_LIST, u"Border Style", u"BorderStyle", kBorderStyles, 3},
};

// "DefaultKeyhandling" is spelt as the page binds it; names are matched
// without regard to case.
constexpr PgvPageField kPathgroveFields[] = {
    {211, PFK_CHECKBOX, u"Show Context Menus", u"ShowContextMenus", nullptr, 0},
    {212, PFK_CHECKBOX, u"Show NonFolders/Include Files", u"ShowFiles", nullptr, 0},
    {213, PFK_CHECKBOX, u"Show Special Folders", u"ShowSpecailFolders", nullptr, 0},
    {214, PFK_CHECKBOX, u"Show Hidden Objects", u"ShowHiddenObjects", nullptr, 0},
    {215, PFK_CHECKBOX, u"Show Check Boxes", u"ShowCheckBoxes", nullptr, 0},
    {226, PFK_CHECKBOX, u"Auto Update", u"AutoUpdate", nullptr, 0},
    {229, PFK_CHECKBOX, u"Default Key handling", u"DefaultKeyhandling", nullptr, 0},
    {230, PFK_CHECKBOX, u"Allow Node Renaming", u"AllowNodeRenaming", nullptr, 0},
    {237, PFK_CHECKBOX, u"Show Info Tips", u"ShowInfoTips", nullptr, 0},
    {238, PFK_CHECKBOX, u"Allow DragDrop", u"AllowDragDrop", nullptr, 0},
    {241, PFK_CHECKBOX, u"Auto Check Children", u"AutoCheckChildren", nullptr, 0},
    {243, PFK_CHECKBOX, u"Show UI Dialogs", u"ShowUIDialogs", nullptr, 0},
    {kSetRootFolderButton, PFK_BUTTON, u"Set Root Folder..", nullptr, nullptr, 0},
};

const PageDescription kPages[] = {
    {CLSID_GeneralPropPage, u"General", u"Pathgrove General Property Page", 104, kGeneralFields,
     sizeof kGeneralFields / sizeof kGeneralFields[0]},
    {CLSID_PathgrovePropPage, u"Special", u"Pathgrove Property Page", 200, kPathgroveFields,
     sizeof kPathgroveFields / sizeof kPathgroveFields[0]},
};

constexpr const char16_t* kSelectRootFolder = u"SelectRootFolder";

ax::DISPID IdOf(ax::IDispatch* object, const char16_t* name) {
    ax::DISPID id = ax::DISPID_UNKNOWN;
    return ax::Succeeded(object->GetIDsOfNames(&name, 1, &id)) ? id : ax::DISPID_UNKNOWN;
}

ax::HRESULT InvokeByName(ax::IDispatch* object, const char16_t* name, uint16_t flags, ax::Variant* args,
                         uint32_t count, ax::Variant* result) {
    ax::DISPID id = IdOf(object, name);
    if (id == ax::DISPID_UNKNOWN)
        return ax::DISP_E_UNKNOWNNAME;
    ax::DispParams params = {args, count};
    ax::ExcepInfo excep = {};
    ax::HRESULT hr = object->Invoke(id, flags, &params, result, &excep, nullptr);
    ax::ClearExcepInfo(&excep);
    return hr;
}

ax::VARTYPE FieldType(const PgvPageField& field) {
    return field.kind == PFK_CHECKBOX ? ax::VT_BOOL : ax::VT_I4;
}

} // namespace

const PageDescription* FindPage(const ax::Guid& clsid) {
    for (const PageDescription& page : kPages) {
        if (page.clsid == clsid)
            return &page;
    }
    return nullptr;
}

CPropertyPage::~CPropertyPage() {
    ClearEdits();
}

ax::HRESULT CPropertyPage::QueryInterface(const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (!(iid == ax::IID_IUnknown) && !(iid == IID_IPgvPropertyPage))
        return ax::E_NOINTERFACE;
    *out = static_cast<IPgvPropertyPage*>(this);
    AddRef();
    return ax::S_OK;
}

const PgvPageField* CPropertyPage::Field(int32_t controlId) const {
    for (uint32_t i = 0; i < m_page.fieldCount; ++i) {
        if (m_page.fields[i].controlId == controlId)
            return &m_page.fields[i];
    }
    return nullptr;
}

const PgvPageField* CPropertyPage::ValueField(int32_t controlId) const {
    const PgvPageField* field = Field(controlId);
    return field && field->kind != PFK_BUTTON ? field : nullptr;
}

void CPropertyPage::ClearEdits() {
    for (auto& entry : m_edited)
        ax::VariantClear(&entry.second);
    m_edited.clear();
}

ax::HRESULT CPropertyPage::GetPageInfo(ax::BSTR* title, ax::BSTR* caption, int32_t* dialogId) {
    if (!title || !caption || !dialogId)
        return ax::E_POINTER;
    *title = ax::AllocBstr(m_page.title);
    *caption = ax::AllocBstr(m_page.caption);
    *dialogId = m_page.dialogId;
    if (*title && *caption)
        return ax::S_OK;
    ax::FreeBstr(*title);
    ax::FreeBstr(*caption);
    *title = *caption = nullptr;
    return ax::E_OUTOFMEMORY;
}

ax::HRESULT CPropertyPage::SetObjects(uint32_t count, ax::IUnknown* const* objects) {
    return OnOwnerThread([&] {
        if (count > 0 && !objects)
            return ax::E_POINTER;
        std::vector<ax::ComPtr<ax::IDispatch>> taken;
        for (uint32_t i = 0; i < count; ++i) {
            ax::ComPtr<ax::IDispatch> object;
            if (!objects[i] || ax::Failed(objects[i]->QueryInterface(ax::IID_IDispatch, object.OutVoid())))
                return ax::E_NOINTERFACE;
            taken.push_back(std::move(object));
        }
        m_objects = std::move(taken);
        ClearEdits();
        return ax::S_OK;
    });
}

ax::HRESULT CPropertyPage::GetFieldCount(uint32_t* count) {
    if (!count)
        return ax::E_POINTER;
    *count = m_page.fieldCount;
    return ax::S_OK;
}

ax::HRESULT CPropertyPage::GetField(uint32_t index, PgvPageField* field) {
    if (!field)
        return ax::E_POINTER;
    if (index >= m_page.fieldCount)
        return ax::E_INVALIDARG;
    *field = m_page.fields[index];
    return ax::S_OK;
}

ax::HRESULT CPropertyPage::GetValue(int32_t controlId, ax::Variant* value) {
    return OnOwnerThread([&] {
        const PgvPageField* field = ValueField(controlId);
        if (!value)
            return ax::E_POINTER;
        if (!field)
            return ax::E_INVALIDARG;
        auto edited = m_edited.find(controlId);
        if (edited != m_edited.end())
            return ax::VariantCopy(value, &edited->second);
        if (m_objects.empty())
            return ax::E_UNEXPECTED;
        ax::HRESULT hr =
            InvokeByName(m_objects[0].Get(), field->property, ax::DISPATCH_PROPERTYGET, nullptr, 0, value);
        return ax::Failed(hr) ? hr : ax::VariantChangeType(value, value, FieldType(*field));
    });
}

ax::HRESULT CPropertyPage::SetValue(int32_t controlId, const ax::Variant* value) {
    return OnOwnerThread([&] {
        const PgvPageField* field = ValueField(controlId);
        if (!value)
            return ax::E_POINTER;
        if (!field)
            return ax::E_INVALIDARG;
        ax::ScopedVariant converted;
        ax::HRESULT hr = ax::VariantChangeType(&converted, value, FieldType(*field));
        if (ax::Failed(hr))
            return hr;
        if (field->kind == PFK_LIST &&
            (converted.lVal < 0 || static_cast<uint32_t>(converted.lVal) >= field->choiceCount))
            return ax::E_INVALIDARG;
        ax::Variant& slot = m_edited[controlId];
        return ax::VariantCopy(&slot, &converted);
    });
}

ax::HRESULT CPropertyPage::IsPageDirty() {
    return m_edited.empty() ? ax::S_FALSE : ax::S_OK;
}

ax::HRESULT CPropertyPage::Apply() {
    return OnOwnerThread([&] {
        ax::HRESULT first = ax::S_OK;
        for (auto& [controlId, value] : m_edited) {
            const PgvPageField* field = Field(controlId);
            for (const ax::ComPtr<ax::IDispatch>& object : m_objects) {
                ax::Variant args[] = {value};
                ax::HRESULT hr =
                    InvokeByName(object.Get(), field->property, ax::DISPATCH_PROPERTYPUT, args, 1, nullptr);
                if (ax::Failed(hr) && ax::Succeeded(first))
                    first = hr;
            }
        }
        ClearEdits();
        return first;
    });
}

// The one button runs SelectRootFolder on the control being edited.
ax::HRESULT CPropertyPage::Click(int32_t controlId) {
    return OnOwnerThread([&] {
        const PgvPageField* field = Field(controlId);
        if (!field || field->kind != PFK_BUTTON)
            return ax::E_INVALIDARG;
        if (m_objects.empty())
            return ax::E_UNEXPECTED;
        return InvokeByName(m_objects[0].Get(), kSelectRootFolder, ax::DISPATCH_METHOD, nullptr, 0, nullptr);
    });
}

} // namespace pgv
