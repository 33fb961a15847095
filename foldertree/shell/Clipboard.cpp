#include "foldertree/shell/Clipboard.h"

namespace pgv {

Clipboard& Clipboard::Instance() {
    static Clipboard clipboard;
    return clipboard;
}

void Clipboard::SetItems(std::vector<ItemIds> items, bool cut) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items = std::move(items);
        m_cut = cut;
        m_hasText = false;
        m_text.clear();
    }
    Changed();
}

void Clipboard::SetText(std::string text) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.clear();
        m_cut = false;
        m_hasText = true;
        m_text = std::move(text);
    }
    Changed();
}

void Clipboard::Clear() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.clear();
        m_cut = false;
        m_hasText = false;
        m_text.clear();
    }
    Changed();
}

bool Clipboard::Items(std::vector<ItemIds>* items, bool* cut) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_items.empty())
        return false;
    *items = m_items;
    *cut = m_cut;
    return true;
}

bool Clipboard::Text(std::string* text) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_hasText)
        *text = m_text;
    return m_hasText;
}

uint64_t Clipboard::Listen(std::function<void()> listener) {
    std::lock_guard<std::mutex> lock(m_mutex);
    uint64_t token = m_nextToken++;
    m_listeners.emplace(token, std::move(listener));
    return token;
}

void Clipboard::Unlisten(uint64_t token) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners.erase(token);
}

void Clipboard::Changed() {
    // Listeners may unlisten (or change the clipboard) while they run.
    std::map<uint64_t, std::function<void()>> listeners;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listeners = m_listeners;
    }
    for (auto& [token, listener] : listeners) {
        bool still = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            still = m_listeners.count(token) != 0;
        }
        if (still)
            listener();
    }
}

} // namespace pgv
