// Icons of the namespace's items: freedesktop icon names in one
// process-wide list whose indices the tree's image lists map from, like a
// system image list. The first five are fixed; the others are added the
// first time an item needs them.
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace pgv {

enum SystemIcon : int32_t {
    SI_BLANK_DOCUMENT = 0,
    SI_DOCUMENT = 1,
    SI_APPLICATION = 2,
    SI_FOLDER = 3,
    SI_FOLDER_OPEN = 4,
};

class SystemImageList {
  public:
    static SystemImageList& Instance();

    // The index of an icon name, added on first use.
    int32_t IndexOf(std::string_view iconName);
    // The name at `index`; "" for an index out of the list.
    std::string NameAt(int32_t index) const;
    std::vector<std::string> Names() const;

  private:
    SystemImageList();

    mutable std::mutex m_mutex;
    std::vector<std::string> m_names;
};

// The system image index of an item's icon; `open` asks for the icon of
// an expanded folder.
int32_t SystemIconIndex(const ItemIds& item, bool open);

} // namespace pgv
