// The tree's image lists: the normal images (a copy of the system image
// list, system indices mapped on first use, host images appended), the
// overlay numbers 1 to 15 from one counter (the library's share and
// shortcut overlays and the host's), and the check-box state images.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pgv {

constexpr int32_t kFirstOverlayNumber = 1;
constexpr int32_t kOverlayNumberLimit = 16;
// Cells of a check-box strip: an empty one, then states 1 to 4.
constexpr int32_t kStateImageCells = 5;
constexpr int32_t kDefaultStateImageWidth = 17;

struct TreeImage {
    std::string iconName; // a freedesktop icon name, or
    std::string file;     // an image file the host added
    int32_t width = 0;
    int32_t height = 0;
};

enum LibraryOverlay {
    LO_SHARE,
    LO_SHORTCUT,
};

struct StateImages {
    int32_t cellWidth = kDefaultStateImageWidth;
    int32_t height = 16;
    bool custom = false; // the host's strip instead of the built-in boxes
    int32_t transparentColor = 0;
};

class TreeImages {
  public:
    TreeImages() { Rebuild(0); }

    // Starts the lists over for `listType` (0 small, 1 large, 2 extra
    // large icons): the system images copied, mappings and overlays gone.
    void Rebuild(int32_t listType);
    int32_t IconSize() const { return m_iconSize; }
    int32_t ItemHeight() const { return m_iconSize + 2; }

    int32_t MapSystemIndex(int32_t systemIndex);
    int32_t Add(TreeImage image);
    int32_t Count() const { return static_cast<int32_t>(m_images.size()); }
    const TreeImage* At(int32_t index) const;

    // Makes image `imageIndex` the next overlay; its number, or -1 when all
    // are taken.
    int32_t AddOverlay(int32_t imageIndex);
    // The number of one of the library's overlays (given on first use); 0
    // when none is left.
    int32_t LibraryOverlayNumber(LibraryOverlay overlay);
    // The image of an overlay number, or -1.
    int32_t OverlayImage(int32_t number) const;

    const StateImages& States() const { return m_states; }
    void SetStates(const StateImages& states) { m_states = states; }

  private:
    int32_t m_iconSize = 16;
    std::vector<TreeImage> m_images;
    std::map<int32_t, int32_t> m_systemMap;
    std::map<int32_t, int32_t> m_overlays;
    std::map<LibraryOverlay, int32_t> m_libraryOverlays;
    int32_t m_nextOverlay = kFirstOverlayNumber;
    StateImages m_states;
};

} // namespace pgv
