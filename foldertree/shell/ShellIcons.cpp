#include "foldertree/shell/ShellIcons.h"

namespace pgv {
namespace {

struct ExtensionIcon {
    std::string_view extension;
    std::string_view icon;
};

constexpr ExtensionIcon kExtensionIcons[] = {
    {"mp3", "audio-x-generic"},         {"m4a", "audio-x-generic"},          {"ogg", "audio-x-generic"},
    {"flac", "audio-x-generic"},        {"wav", "audio-x-generic"},          {"m3u", "audio-x-mpegurl"},
    {"pls", "audio-x-scpls"},           {"jpg", "image-x-generic"},          {"jpeg", "image-x-generic"},
    {"png", "image-x-generic"},         {"gif", "image-x-generic"},          {"mp4", "video-x-generic"},
    {"mkv", "video-x-generic"},         {"avi", "video-x-generic"},          {"pdf", "application-pdf"},
    {"zip", "package-x-generic"},       {"gz", "package-x-generic"},         {"tar", "package-x-generic"},
    {"odt", "x-office-document"},       {"doc", "x-office-document"},        {"txt", "text-x-generic"},
    {"sh", "application-x-executable"}, {"exe", "application-x-executable"},
};

constexpr std::string_view kFixedIcons[] = {"text-x-generic", "x-office-document", "application-x-executable",
                                            "folder", "folder-open"};

std::string LowerExtension(std::string_view name) {
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::string();
    std::string extension(name.substr(dot + 1));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

std::string_view IconNameOf(const ItemIds& item, bool open) {
    if (item.empty())
        return "user-desktop";
    const ItemId& last = item.back();
    switch (last.kind) {
    case IK_VIRTUAL:
        if (IsVirtual(last, VI_HOME))
            return "user-home";
        return IsVirtual(last, VI_COMPUTER) ? "computer" : "user-trash";
    case IK_VOLUME:
        return last.payload == "/" ? "drive-harddisk" : "drive-removable-media";
    case IK_FOLDER:
        return kFixedIcons[open ? SI_FOLDER_OPEN : SI_FOLDER];
    default:
        break;
    }
    std::string extension = LowerExtension(last.payload);
    for (const ExtensionIcon& entry : kExtensionIcons) {
        if (entry.extension == extension)
            return entry.icon;
    }
    return kFixedIcons[SI_BLANK_DOCUMENT];
}

} // namespace

SystemImageList::SystemImageList() : m_names(std::begin(kFixedIcons), std::end(kFixedIcons)) {}

SystemImageList& SystemImageList::Instance() {
    static SystemImageList list;
    return list;
}

int32_t SystemImageList::IndexOf(std::string_view iconName) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (m_names[i] == iconName)
            return static_cast<int32_t>(i);
    }
    m_names.emplace_back(iconName);
    return static_cast<int32_t>(m_names.size() - 1);
}

std::string SystemImageList::NameAt(int32_t index) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return index >= 0 && static_cast<size_t>(index) < m_names.size() ? m_names[index] : std::string();
}

std::vector<std::string> SystemImageList::Names() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_names;
}

int32_t SystemIconIndex(const ItemIds& item, bool open) {
    return SystemImageList::Instance().IndexOf(IconNameOf(item, open));
}

} // namespace pgv
