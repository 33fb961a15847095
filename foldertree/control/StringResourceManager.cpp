#include "foldertree/control/StringResourceManager.h"

namespace pgv {
namespace {

// The locales whose texts the control ships: German, US English, Italian.
bool IsSupportedCulture(int32_t lcid) {
    return lcid == 1031 || lcid == 1033 || lcid == 1040;
}

#define PGV_HANDLER_CLASS CStringResourceManager
constexpr ax::DispHandlers<CStringResourceManager> kHandlers[] = {PGV_STRING_MEMBERS(PGV_HANDLER_ENTRY)};
#undef PGV_HANDLER_CLASS

} // namespace

CStringResourceManager::CStringResourceManager()
    : DispatchObject(string_members::kTable, kHandlers, IID_IStringResourceManager) {}

ax::HRESULT CStringResourceManager::CallGetString(ax::Variant* args, ax::Variant* result) {
    // An unknown key is added with an empty value.
    return ax::SetResult(result, m_strings[std::u16string(ax::BstrView(args[0].bstrVal))]);
}

ax::HRESULT CStringResourceManager::CallSetString(ax::Variant* args, ax::Variant*) {
    m_strings[std::u16string(ax::BstrView(args[0].bstrVal))] = ax::BstrView(args[1].bstrVal);
    return ax::S_OK;
}

ax::HRESULT CStringResourceManager::CallIsCultureSupported(ax::Variant* args, ax::Variant* result) {
    return ax::SetBoolResult(result, IsSupportedCulture(args[0].lVal));
}

ax::HRESULT CStringResourceManager::CallSetCulture(ax::Variant* args, ax::Variant* result) {
    return ax::SetBoolResult(result, IsSupportedCulture(args[0].lVal));
}

} // namespace pgv
