// The clipboard of this process: items that were cut or copied (or a
// text), and the listeners told after every change, as the tree that
// shows items cut is. One per process; it is used from the control's
// thread.
#pragma once

#include "foldertree/shell/ItemIdList.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace pgv {

class Clipboard {
  public:
    static Clipboard& Instance();

    // Items to paste; `cut` moves them on paste.
    void SetItems(std::vector<ItemIds> items, bool cut);
    void SetText(std::string text);
    void Clear();
    // False when the clipboard holds no items.
    bool Items(std::vector<ItemIds>* items, bool* cut) const;
    bool Text(std::string* text) const;

    // `listener` runs after every change until Unlisten.
    uint64_t Listen(std::function<void()> listener);
    void Unlisten(uint64_t token);

  private:
    void Changed();

    mutable std::mutex m_mutex;
    std::vector<ItemIds> m_items;
    bool m_cut = false;
    bool m_hasText = false;
    std::string m_text;
    std::map<uint64_t, std::function<void()>> m_listeners;
    uint64_t m_nextToken = 1;
};

} // namespace pgv
