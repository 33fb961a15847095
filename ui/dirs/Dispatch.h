// Calls through the folder-tree control's dispatch interfaces.
#pragma once

#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/Interfaces.h"
#include "foldertree/automation/Variant.h"

#include <initializer_list>
#include <string>

using NodePtr = ax::ComPtr<ax::IDispatch>;

// Invokes `id` with `args` (natural order), which are cleared afterwards.
ax::HRESULT DispInvoke(ax::IDispatch* object, ax::DISPID id, uint16_t flags,
                       std::initializer_list<ax::Variant> args, ax::Variant* result = nullptr);
ax::HRESULT DispPut(ax::IDispatch* object, ax::DISPID id, ax::Variant value);
// The object a get or method call returned; null for none or a failure.
NodePtr DispObject(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args = {});
// A number, string or flag a get returned; the fallback on failure.
int32_t DispInt(ax::IDispatch* object, ax::DISPID id, int32_t fallback);
std::wstring DispText(ax::IDispatch* object, ax::DISPID id);
bool DispFlag(ax::IDispatch* object, ax::DISPID id);
// The ID of a tree node (its item); 0 when there is none.
double DispNodeId(ax::IDispatch* node);
