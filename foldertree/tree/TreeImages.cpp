#include "foldertree/tree/TreeImages.h"

#include "foldertree/shell/ShellIcons.h"

namespace pgv {
namespace {

constexpr int32_t kIconSizes[] = {16, 32, 48};

const char* LibraryOverlayIcon(LibraryOverlay overlay) {
    return overlay == LO_SHARE ? "emblem-shared" : "emblem-symbolic-link";
}

} // namespace

void TreeImages::Rebuild(int32_t listType) {
    m_iconSize = kIconSizes[listType >= 0 && listType <= 2 ? listType : 0];
    m_images.clear();
    for (std::string& name : SystemImageList::Instance().Names())
        m_images.push_back({std::move(name), {}, m_iconSize, m_iconSize});
    m_systemMap.clear();
    m_overlays.clear();
    m_libraryOverlays.clear();
    m_nextOverlay = kFirstOverlayNumber;
    m_states.height = m_iconSize;
}

int32_t TreeImages::MapSystemIndex(int32_t systemIndex) {
    auto found = m_systemMap.find(systemIndex);
    if (found != m_systemMap.end())
        return found->second;
    int32_t index = Add({SystemImageList::Instance().NameAt(systemIndex), {}, m_iconSize, m_iconSize});
    m_systemMap[systemIndex] = index;
    return index;
}

int32_t TreeImages::Add(TreeImage image) {
    m_images.push_back(std::move(image));
    return Count() - 1;
}

const TreeImage* TreeImages::At(int32_t index) const {
    return index >= 0 && index < Count() ? &m_images[index] : nullptr;
}

int32_t TreeImages::AddOverlay(int32_t imageIndex) {
    if (m_nextOverlay >= kOverlayNumberLimit)
        return -1;
    m_overlays[m_nextOverlay] = imageIndex;
    return m_nextOverlay++;
}

int32_t TreeImages::LibraryOverlayNumber(LibraryOverlay overlay) {
    auto found = m_libraryOverlays.find(overlay);
    if (found != m_libraryOverlays.end())
        return found->second;
    if (m_nextOverlay >= kOverlayNumberLimit)
        return 0;
    int32_t number = AddOverlay(Add({LibraryOverlayIcon(overlay), {}, m_iconSize, m_iconSize}));
    m_libraryOverlays[overlay] = number;
    return number;
}

int32_t TreeImages::OverlayImage(int32_t number) const {
    auto found = m_overlays.find(number);
    return found == m_overlays.end() ? -1 : found->second;
}

} // namespace pgv
