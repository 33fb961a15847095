#include "include/util/StateMachine.h"

#include "include/crash/Assert.h"

namespace {

const std::wstring kNoName;

} // namespace

void StateMachine::AddState(int index, const std::wstring& name) {
    MV_ASSERT(index >= 0);
    if (index < 0)
        return;
    size_t slot = static_cast<size_t>(index);
    if (slot >= m_states.size())
        m_states.resize(slot + 1);
    m_states[slot] = name;
}

bool StateMachine::IsNamed(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_states.size() &&
           !m_states[static_cast<size_t>(index)].empty();
}

void StateMachine::AddTransition(int from, int to) {
    // States and transitions are registered by code, once, so an unnamed
    // state here is a programming error.
    if (!IsNamed(from)) {
        AssertFailed(L"m_states[from].length() > 0", __FILE__, __LINE__);
        return;
    }
    if (!IsNamed(to)) {
        AssertFailed(L"m_states[to].length() > 0", __FILE__, __LINE__);
        return;
    }
    size_t row = static_cast<size_t>(from);
    size_t column = static_cast<size_t>(to);
    if (row >= m_transitions.size())
        m_transitions.resize(row + 1);
    if (column >= m_transitions[row].size())
        m_transitions[row].resize(column + 1, 0);
    m_transitions[row][column] = 1;
}

bool StateMachine::IsValidTransition(int from, int to) const {
    if (from < 0 || to < 0 || static_cast<size_t>(from) >= m_transitions.size())
        return false;
    const std::vector<uint8_t>& row = m_transitions[static_cast<size_t>(from)];
    return static_cast<size_t>(to) < row.size() && row[static_cast<size_t>(to)] == 1;
}

const std::wstring& StateMachine::GetStateName(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_states.size())
        return kNoName;
    return m_states[static_cast<size_t>(index)];
}
