// The tree tests' world: a home folder with XDG settings pointing into a
// temporary folder, an empty mount table, the host's loop on a clock the
// test moves, a presenter the test scripts, and a control with an event
// recorder connected.
#pragma once

#include "foldertree/automation/ComPtr.h"
#include "foldertree/automation/RefCounted.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/host/HostSite.h"
#include "tests/foldertree/DispatchCalls.h"
#include "tests/foldertree/ScriptedPresenter.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pgvtest {

using NodePtr = ax::ComPtr<ax::IDispatch>;

// Every event the control fires, with the label of the node it carried.
// Events listed in `cancel` are cancelled through their by-reference
// argument; `handler` runs inside each event.
class EventRecorder final : public ax::IDispatch, public ax::RefCounted {
  public:
    struct Fired {
        ax::DISPID id;
        std::u16string node;
    };

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT GetIDsOfNames(const char16_t* const*, uint32_t, ax::DISPID*) override {
        return ax::E_NOTIMPL;
    }
    ax::HRESULT Invoke(ax::DISPID id, uint16_t flags, ax::DispParams* params, ax::Variant* result,
                       ax::ExcepInfo* excep, uint32_t* argErr) override;

    // The labels of the nodes of event `id`, in order.
    std::vector<std::u16string> Nodes(ax::DISPID id) const;
    size_t Count(ax::DISPID id) const { return Nodes(id).size(); }
    // The dispids fired, in order, leaving out the stock mouse and key events.
    std::vector<ax::DISPID> Sequence() const;

    std::vector<Fired> fired;
    std::vector<ax::DISPID> cancel;
    std::function<void(ax::DISPID, ax::DispParams*)> handler;
};

class TreeFixture : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Folders (and files, for names ending in a slash-less name with a dot
    // when `file` is set) under the home folder.
    void MakeDirs(std::initializer_list<const char*> paths);
    void MakeFile(const std::string& relative);
    std::string Home(const std::string& relative = "") const;
    void SetMountTable(const std::string& text);
    // From here to the end of the test, moves cross file systems and an
    // entry named "locked.mp3" cannot be removed (as on read-only media).
    void MoveAcrossFileSystemsWithLockedFiles();

    // A control with the settings `configure` puts, its window created
    // 300 x 600 and the recorder connected.
    void Start(const std::function<void()>& configure = {});
    void PutSetting(ax::DISPID id, ax::Variant value) {
        EXPECT_EQ(pgvtest::Put(control.Get(), id, value), ax::S_OK);
    }
    // GetNode with a path under the home folder ("" for the home folder).
    NodePtr GetNode(const std::string& relative, bool add = true);
    NodePtr Method(ax::DISPID id, std::initializer_list<ax::Variant> args = {});
    // Runs the host's loop once (timers due, changes waiting).
    void Pump() { site->Loop().RunPending(); }

    testsupport::TempDir dir;
    std::vector<std::unique_ptr<testsupport::ScopedEnv>> env;
    testsupport::ManualClock clock;
    ax::ComPtr<pgvhost::HostSite> site;
    ax::ComPtr<ScriptedPresenter> presenter;
    ax::ComPtr<pgv::CPathgroveCtrl> control;
    ax::ComPtr<EventRecorder> events;
    std::vector<std::string> log;
};

// Writes `value` through a by-reference argument and frees it.
void WriteByRef(const ax::Variant& slot, ax::Variant value);

// Node members through the node's dispatch interface.
std::u16string Label(ax::IDispatch* node);
int32_t CheckState(ax::IDispatch* node);
bool IsChecked(ax::IDispatch* node);
void SetChecked(ax::IDispatch* node, bool checked);
// A member of a node (or of the control) whose result is a node, a number
// or a text; the arguments are freed afterwards.
NodePtr NodeMember(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args = {});
int32_t NumberMember(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args = {});
std::u16string TextMember(ax::IDispatch* object, ax::DISPID id, std::initializer_list<ax::Variant> args = {});
// The child with label `label`, without filling.
NodePtr ChildNamed(ax::IDispatch* node, const std::u16string& label);
std::vector<std::u16string> ChildLabels(ax::IDispatch* node);
// The tree item a node names, and where its label starts (a point on it).
pgv::TreeHandle ItemOf(ax::IDispatch* node);
void LabelPointOf(pgv::CPathgroveCtrl* control, ax::IDispatch* node, int32_t* x, int32_t* y);
// The labels of the whole tree in pre-order, children indented by two
// blanks per level.
std::vector<std::u16string> Outline(pgv::CPathgroveCtrl* control);

} // namespace pgvtest
