// The thread that created an object. Objects of the automation layer are
// apartment-bound: calls from any other thread are refused.
#pragma once

#include <thread>

namespace ax {

class OwnerThread {
  public:
    bool IsCurrent() const { return std::this_thread::get_id() == m_owner; }

  private:
    std::thread::id m_owner = std::this_thread::get_id();
};

} // namespace ax
