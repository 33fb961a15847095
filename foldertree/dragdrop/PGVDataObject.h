// The host's view of the data of a drag: during a drop over the tree it
// reads the dropped data; when a drag starts from the tree it adds data to
// the drag's source. Reading a source or writing a drop raises error 1001.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/DispatchObject.h"
#include "foldertree/dragdrop/DataObject.h"

#include <vector>

namespace pgv {

class CPGVDataObject final : public ax::DispatchObject<CPGVDataObject> {
  public:
    // A read-only view of dropped data (null gives null).
    static ax::IDispatch* ForDrop(IPgvDataObject* data);
    // The writable face of a drag's source.
    static ax::IDispatch* ForSource(DragSourceData* source);

    PGV_DATAOBJECT_MEMBERS(PGV_DECLARE_HANDLERS)

  private:
    CPGVDataObject(IPgvDataObject* drop, DragSourceData* source);

    ax::HRESULT NotReadable() const;
    ax::HRESULT NotWritable() const;
    ax::HRESULT OutOfMemory() const;
    ax::HRESULT SetBytes(uint32_t format, const std::vector<uint8_t>& bytes);

    ax::ComPtr<IPgvDataObject> m_drop;
    ax::ComPtr<DragSourceData> m_source;
};

} // namespace pgv
