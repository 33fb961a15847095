// A small registry of keys and named values kept as text: one line per key
// ("key") and one per value ("key<TAB>name<TAB>value", the default value
// having an empty name). Tabs, line ends and '%' inside a field are written
// as %09, %0A, %0D and %25.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace pgv {

class RegistryStore {
  public:
    // Replaces the contents with the text's; malformed lines are dropped.
    void Parse(std::string_view text);
    std::string Serialize() const;

    void CreateKey(const std::string& key);
    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    // Removes the key, its values and every key below it.
    void DeleteTree(const std::string& key);

    bool HasKey(const std::string& key) const { return m_keys.count(key) > 0; }
    // The value, or null when absent.
    const std::string* Value(const std::string& key, const std::string& name) const;
    size_t KeyCount() const { return m_keys.size(); }

  private:
    std::map<std::string, std::map<std::string, std::string>> m_keys;
};

} // namespace pgv
