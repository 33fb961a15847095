// A table of named states and allowed transitions. It keeps no current state:
// its owner registers states and transitions once, keeps its own state and
// asks IsValidTransition before each change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class StateMachine {
  public:
    StateMachine() = default;

    // Names state `index`; the list grows with unnamed states as needed.
    void AddState(int index, const std::wstring& name);
    // Allows from -> to. Both states must already be named.
    void AddTransition(int from, int to);
    // False for anything not registered, out-of-range numbers included.
    bool IsValidTransition(int from, int to) const;
    // The state's name; empty for an unnamed or unknown state.
    const std::wstring& GetStateName(int index) const;

  private:
    bool IsNamed(int index) const;

    std::vector<std::wstring> m_states;
    // Ragged: row `from` is only as long as its highest allowed `to` + 1.
    std::vector<std::vector<uint8_t>> m_transitions;
};
