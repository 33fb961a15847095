#include "ui/dirs/DirsDlg.h"

#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/XdgDirs.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/present/MessageBox.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr wchar_t kCaption[] = L"Your MP3 Folders";
constexpr wchar_t kNothingChecked[] = L"You must select at least one shared folder";
// The control's folder watches and timers run this often while it is open.
constexpr uint32_t kPumpMs = 100;

// `path` with exactly one '/' at its end.
std::wstring WithOneSlash(const std::wstring& path) {
    const size_t end = path.find_last_not_of(L'/');
    return (end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1)) + L"/";
}

std::wstring MusicFolder() {
    std::string path;
    struct stat info {};
    if (!platform::SpecialFolderDir(platform::SF_MUSIC, &path) || path.empty() ||
        stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::wstring();
    return Utf8ToWide(path);
}

} // namespace

CDirsDlg::CDirsDlg(std::vector<std::wstring>* shareDirs, FoldersView& view, MessageBoxView& boxes,
                   const std::string& manifestPath)
    : m_pShareDirs(shareDirs), m_view(view), m_boxes(boxes), m_control(manifestPath) {}

CDirsDlg::~CDirsDlg() {
    OnDestroy();
}

bool CDirsDlg::QueryControl() {
    if (m_control.IsCreated())
        return true;
    MVLOG(LOG_INFO, "About to query control");
    FolderTreeControl::Events events;
    events.nodeChecked = [this](ax::IDispatch* node) { OnNodeChecked(node); };
    events.nodeExpanding = [](ax::IDispatch*) {};
    const ax::HRESULT hr = m_control.Create(std::move(events));
    if (ax::Succeeded(hr))
        return true;
    MVLOG(LOG_CRIT, "QueryControl failed, %x, %i", static_cast<unsigned>(hr), errno);
    SendReport(L"Query Control failed", REPORT_INFO);
    return false;
}

bool CDirsDlg::OnInitDialog() {
    if (!QueryControl()) {
        ShowView();
        return true;
    }
    if (m_pShareDirs->empty()) {
        MVLOG(LOG_INFO, "Inserting default path");
        // Without a music folder the tree opens with nothing checked.
        const std::wstring music = MusicFolder();
        if (music.empty())
            MVLOG(LOG_INFO, "No music folder to check");
        else
            m_pShareDirs->push_back(WithOneSlash(music));
    }
    for (const std::wstring& path : *m_pShareDirs) {
        NodePtr node = m_control.GetNode(path);
        if (!node || path.empty())
            continue;
        const std::string text = WideToUtf8(path);
        MVLOG(LOG_INFO, "About to flag '%s'", text.c_str());
        (void)DispPut(node.Get(), pgv::PGVN_CHECKED, ax::MakeBool(true));
        if (const double id = DispNodeId(node.Get()))
            m_sharesByNode.emplace(id, path);
    }
    MVLOG(LOG_INFO, "Looked at %i folders", static_cast<int>(m_pShareDirs->size()));
    ShowView();
    PumpControl();
    return true;
}

void CDirsDlg::ShowView() {
    m_view.Show(kCaption, Target(), m_control.IsCreated() ? &m_control : nullptr);
    m_shown = true;
}

void CDirsDlg::PumpControl() {
    if (m_control.RunPending() > 0)
        m_view.Refresh();
    if (Loop())
        m_pump = Loop()->SetTimer(kPumpMs, [this] { PumpControl(); });
}

void CDirsDlg::OnCommand(uint16_t id) {
    if (id == IDOK || id == IDCANCEL)
        OnCloseCmd(id);
}

void CDirsDlg::OnCloseCmd(uint16_t id) {
    MVLOG(LOG_INFO, "In OnCloseCmd");
    if (id == IDCANCEL) {
        MVLOG(LOG_INFO, "User cancelled dialog");
        EndDialog(IDCANCEL);
        return;
    }
    // Without the control the list stays as it was.
    if (!QueryControl()) {
        EndDialog(IDCANCEL);
        return;
    }
    std::vector<std::wstring> folders = CheckedFolders();
    if (folders.empty()) {
        RunMessageBox(*Loop(), m_boxes, kNothingChecked, L"Error", MB_ICONERROR);
        return;
    }
    *m_pShareDirs = std::move(folders);
    MVLOG(LOG_INFO, "About to end dialog");
    EndDialog(IDOK);
}

std::vector<std::wstring> CDirsDlg::CheckedFolders() {
    std::vector<std::wstring> folders;
    for (NodePtr node = m_control.FirstCheckedNode(); node; node = m_control.NextCheckedNode()) {
        // A checked folder stands for its checked children; one without a
        // path (Computer, Trash) stands for nothing, so they stand for
        // themselves.
        NodePtr parent = DispObject(node.Get(), pgv::PGVN_PARENT);
        if (!parent ||
            (DispFlag(parent.Get(), pgv::PGVN_CHECKED) && !DispText(parent.Get(), pgv::PGVN_PATH).empty()))
            continue;
        const auto stored = m_sharesByNode.find(DispNodeId(node.Get()));
        const std::wstring path =
            stored != m_sharesByNode.end() ? stored->second : DispText(node.Get(), pgv::PGVN_PATH);
        if (path.empty())
            continue;
        const std::wstring folder = WithOneSlash(path);
        folders.erase(std::remove(folders.begin(), folders.end(), folder), folders.end());
        folders.push_back(folder);
    }
    return folders;
}

void CDirsDlg::OnNodeChecked(ax::IDispatch* node) {
    MVLOG(LOG_INFO, "Handling NodeChecked");
    for (NodePtr up = DispObject(node, pgv::PGVN_PARENT); up; up = DispObject(up.Get(), pgv::PGVN_PARENT)) {
        switch (DispInt(up.Get(), pgv::PGVN_GETCHILDRENCHECKSTATE, pgv::PGV_NOCHILDREN)) {
        case pgv::PGV_ALLCHECKED:
            (void)DispPut(up.Get(), pgv::PGVN_CHECKSTATE, ax::MakeI4(pgv::CS_SELFANDCHILDCHECKED));
            break;
        case pgv::PGV_ALLUNCHECKED:
            (void)DispPut(up.Get(), pgv::PGVN_CHECKSTATE, ax::MakeI4(pgv::CS_UNCHECKED));
            break;
        case pgv::PGV_SOMECHECKED:
            (void)DispPut(up.Get(), pgv::PGVN_CHECKSTATE, ax::MakeI4(pgv::CS_CHILDCHECKED));
            break;
        default:
            break;
        }
    }
    m_view.Refresh();
}

void CDirsDlg::OnDestroy() {
    if (m_pump && Loop())
        Loop()->KillTimer(m_pump);
    m_pump = 0;
    if (m_shown)
        m_view.Hide();
    m_shown = false;
    m_sharesByNode.clear();
    m_control.Close();
}
