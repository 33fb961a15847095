#include "foldertree/registry/RegistryStore.h"

#include <vector>

namespace pgv {
namespace {

constexpr char kKeySeparator = '\\';

std::string Escape(const std::string& field) {
    std::string out;
    for (char c : field) {
        if (c == '%')
            out += "%25";
        else if (c == '\t')
            out += "%09";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

bool Unescape(std::string_view field, std::string* out) {
    out->clear();
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            *out += field[i];
            continue;
        }
        std::string_view code = field.substr(i + 1, 2);
        if (code == "25")
            *out += '%';
        else if (code == "09")
            *out += '\t';
        else if (code == "0A")
            *out += '\n';
        else if (code == "0D")
            *out += '\r';
        else
            return false;
        i += 2;
    }
    return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(
            line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

} // namespace

void RegistryStore::Parse(std::string_view text) {
    m_keys.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line =
            text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        std::vector<std::string_view> fields = SplitTabs(line);
        std::string key, name, value;
        if (fields.size() != 1 && fields.size() != 3)
            continue;
        if (!Unescape(fields[0], &key) || key.empty())
            continue;
        if (fields.size() == 1) {
            CreateKey(key);
        } else if (Unescape(fields[1], &name) && Unescape(fields[2], &value)) {
            SetValue(key, name, value);
        }
    }
}

std::string RegistryStore::Serialize() const {
    std::string text;
    for (const auto& [key, values] : m_keys) {
        text += Escape(key) + "\n";
        for (const auto& [name, value] : values)
            text += Escape(key) + "\t" + Escape(name) + "\t" + Escape(value) + "\n";
    }
    return text;
}

void RegistryStore::CreateKey(const std::string& key) {
    // Parent keys exist whenever a key below them does.
    for (size_t at = key.find(kKeySeparator); at != std::string::npos; at = key.find(kKeySeparator, at + 1))
        m_keys[key.substr(0, at)];
    m_keys[key];
}

void RegistryStore::SetValue(const std::string& key, const std::string& name, const std::string& value) {
    CreateKey(key);
    m_keys[key][name] = value;
}

void RegistryStore::DeleteTree(const std::string& key) {
    std::string prefix = key + kKeySeparator;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it->first == key || it->first.compare(0, prefix.size(), prefix) == 0)
            it = m_keys.erase(it);
        else
            ++it;
    }
}

const std::string* RegistryStore::Value(const std::string& key, const std::string& name) const {
    auto k = m_keys.find(key);
    if (k == m_keys.end())
        return nullptr;
    auto v = k->second.find(name);
    return v == k->second.end() ? nullptr : &v->second;
}

} // namespace pgv
