#include "tests/foldertree/TreeFixture.h"

#include "foldertree/automation/Utf16.h"
#include "foldertree/shell/FileOperations.h"
#include "foldertree/shell/MountTable.h"
#include "foldertree/shell/ShellAllocator.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

using namespace pgv;

namespace pgvtest {

ax::HRESULT EventRecorder::QueryInterface(const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (!(iid == ax::IID_IUnknown) && !(iid == ax::IID_IDispatch) && !(iid == DIID__DPathgroveEvents))
        return ax::E_NOINTERFACE;
    *out = static_cast<ax::IDispatch*>(this);
    AddRef();
    return ax::S_OK;
}

ax::HRESULT EventRecorder::Invoke(ax::DISPID id, uint16_t, ax::DispParams* params, ax::Variant*,
                                  ax::ExcepInfo*, uint32_t*) {
    Fired event{id, {}};
    for (uint32_t i = 0; i < params->count; ++i) {
        const ax::Variant& arg = params->args[i];
        if (arg.vt == ax::VT_DISPATCH && arg.pdispVal && event.node.empty())
            event.node = Label(arg.pdispVal);
        if (arg.vt == (ax::VT_BYREF | ax::VT_BOOL) &&
            std::find(cancel.begin(), cancel.end(), id) != cancel.end())
            *static_cast<ax::VARIANT_BOOL*>(arg.byref) = ax::VARIANT_TRUE;
    }
    fired.push_back(event);
    if (handler)
        handler(id, params);
    return ax::S_OK;
}

std::vector<std::u16string> EventRecorder::Nodes(ax::DISPID id) const {
    std::vector<std::u16string> nodes;
    for (const Fired& event : fired) {
        if (event.id == id)
            nodes.push_back(event.node);
    }
    return nodes;
}

std::vector<ax::DISPID> EventRecorder::Sequence() const {
    std::vector<ax::DISPID> ids;
    for (const Fired& event : fired) {
        if (event.id > 0)
            ids.push_back(event.id);
    }
    return ids;
}

void TreeFixture::SetUp() {
    namespace fs = std::filesystem;
    fs::create_directories(Home("Desktop"));
    fs::create_directories(dir.File("config"));
    testsupport::WriteFileText(dir.File("config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                                  "XDG_MUSIC_DIR=\"$HOME/Music\"\n");
    env.push_back(std::make_unique<testsupport::ScopedEnv>("HOME", Home()));
    env.push_back(std::make_unique<testsupport::ScopedEnv>("XDG_CONFIG_HOME", dir.File("config")));
    env.push_back(std::make_unique<testsupport::ScopedEnv>("XDG_DATA_HOME", dir.File("data")));
    SetMountTable("");
    site = ax::ComPtr<pgvhost::HostSite>::Attach(new pgvhost::HostSite());
    site->SetLogSink([this](int32_t, std::u16string_view text) { log.push_back(ax::Utf16ToUtf8(text)); });
    presenter = ax::ComPtr<ScriptedPresenter>::Attach(new ScriptedPresenter());
    site->SetPresenter(presenter.Get());
    events = ax::ComPtr<EventRecorder>::Attach(new EventRecorder());
}

void TreeFixture::TearDown() {
    if (control)
        control->Close();
    control.Reset();
    SetMountInfoPathOverride("");
    SetFileSystemCalls({});
}

std::string TreeFixture::Home(const std::string& relative) const {
    return relative.empty() ? dir.File("home") : dir.File("home/" + relative);
}

void TreeFixture::MakeDirs(std::initializer_list<const char*> paths) {
    for (const char* path : paths)
        std::filesystem::create_directories(Home(path));
}

void TreeFixture::MakeFile(const std::string& relative) {
    testsupport::WriteFileText(Home(relative), "x");
}

void TreeFixture::SetMountTable(const std::string& text) {
    testsupport::WriteFileText(dir.File("mountinfo"), text);
    SetMountInfoPathOverride(dir.File("mountinfo"));
}

void TreeFixture::MoveAcrossFileSystemsWithLockedFiles() {
    FileSystemCalls calls;
    calls.rename = [](const char*, const char*) {
        errno = EXDEV;
        return -1;
    };
    calls.unlinkAt = [](int folder, const char* name, int flags) {
        if (std::strcmp(name, "locked.mp3") == 0) {
            errno = EPERM;
            return -1;
        }
        return unlinkat(folder, name, flags);
    };
    SetFileSystemCalls(calls);
}

void TreeFixture::Start(const std::function<void()>& configure) {
    control = ax::ComPtr<CPathgroveCtrl>::Attach(new CPathgroveCtrl());
    ASSERT_EQ(control->SetClientSite(site.Get()), ax::S_OK);
    ASSERT_EQ(control->InitNew(), ax::S_OK);
    if (configure)
        configure();
    ax::ComPtr<ax::IConnectionPoint> point;
    ASSERT_EQ(control->FindConnectionPoint(DIID__DPathgroveEvents, point.Out()), ax::S_OK);
    uint32_t cookie = 0;
    ASSERT_EQ(point->Advise(events.Get(), &cookie), ax::S_OK);
    const PgvRect rect = {0, 0, 300, 600};
    ASSERT_EQ(control->Activate(0, &rect), ax::S_OK);
}

NodePtr TreeFixture::GetNode(const std::string& relative, bool add) {
    std::string path = relative.empty() ? Home() : Home(relative);
    return Method(PGVC_GETNODE, {ax::MakeBstr(ax::Utf8ToUtf16(path)), ax::MakeR8(0), ax::MakeBool(add)});
}

NodePtr TreeFixture::Method(ax::DISPID id, std::initializer_list<ax::Variant> args) {
    return NodeMember(control.Get(), id, args);
}

void WriteByRef(const ax::Variant& slot, ax::Variant value) {
    EXPECT_EQ(ax::StoreByRef(slot, value), ax::S_OK);
    ax::VariantClear(&value);
}

std::u16string Label(ax::IDispatch* node) {
    ax::ScopedVariant text;
    Get(node, PGVN_TEXT, &text);
    return std::u16string(ax::BstrView(text.vt == ax::VT_BSTR ? text.bstrVal : nullptr));
}

int32_t CheckState(ax::IDispatch* node) {
    ax::ScopedVariant state;
    EXPECT_EQ(Get(node, PGVN_CHECKSTATE, &state), ax::S_OK);
    return state.lVal;
}

bool IsChecked(ax::IDispatch* node) {
    ax::ScopedVariant checked;
    EXPECT_EQ(Get(node, PGVN_CHECKED, &checked), ax::S_OK);
    return checked.boolVal != ax::VARIANT_FALSE;
}

void SetChecked(ax::IDispatch* node, bool checked) {
    EXPECT_EQ(Put(node, PGVN_CHECKED, ax::MakeBool(checked)), ax::S_OK);
}

NodePtr NodeMember(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args) {
    ax::ScopedVariant result;
    EXPECT_EQ(CallAndFree(object, id, args, &result), ax::S_OK) << id;
    NodePtr node;
    if (result.vt == ax::VT_DISPATCH && result.pdispVal) {
        node = NodePtr::Attach(result.pdispVal);
        result.vt = ax::VT_EMPTY;
    }
    return node;
}

int32_t NumberMember(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args) {
    ax::ScopedVariant result;
    EXPECT_EQ(CallAndFree(object, id, args, &result), ax::S_OK) << id;
    EXPECT_EQ(ax::VariantChangeType(&result, &result, ax::VT_I4), ax::S_OK) << id;
    return result.lVal;
}

std::u16string TextMember(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args) {
    ax::ScopedVariant result;
    EXPECT_EQ(CallAndFree(object, id, args, &result), ax::S_OK) << id;
    return std::u16string(ax::BstrView(result.vt == ax::VT_BSTR ? result.bstrVal : nullptr));
}

std::vector<std::u16string> ChildLabels(ax::IDispatch* node) {
    std::vector<std::u16string> labels;
    for (NodePtr child = NodeMember(node, PGVN_CHILD); child;
         child = NodeMember(child.Get(), PGVN_NEXTSIBLING))
        labels.push_back(Label(child.Get()));
    return labels;
}

NodePtr ChildNamed(ax::IDispatch* node, const std::u16string& label) {
    for (NodePtr child = NodeMember(node, PGVN_CHILD); child;
         child = NodeMember(child.Get(), PGVN_NEXTSIBLING)) {
        if (Label(child.Get()) == label)
            return child;
    }
    return NodePtr();
}

TreeHandle ItemOf(ax::IDispatch* node) {
    ax::ScopedVariant id;
    uint64_t item = 0;
    EXPECT_EQ(Get(node, PGVN_ID, &id), ax::S_OK);
    EXPECT_TRUE(HandleFromR8(id.dblVal, &item));
    return item;
}

void LabelPointOf(CPathgroveCtrl* control, ax::IDispatch* node, int32_t* x, int32_t* y) {
    EXPECT_TRUE(control->Tree().View().LabelPoint(ItemOf(node), x, y));
    *x += 2;
}

std::vector<std::u16string> Outline(CPathgroveCtrl* control) {
    std::vector<std::u16string> lines;
    const TreeView& view = control->Tree().View();
    for (TreeHandle item = view.FirstRoot(); item; item = view.NextPreOrder(item))
        lines.push_back(std::u16string(2 * (view.Level(item) - 1), u' ') + view.Text(item));
    return lines;
}

} // namespace pgvtest
