// A temporary folder that a death test's parent and its child share. The
// "threadsafe" death-test style runs the whole test body again in a new
// process, so a folder made there would differ from the parent's; the child
// finds the parent's folder through the environment instead.
#pragma once

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace testsupport {

class DeathTestDir {
  public:
    DeathTestDir() {
        if (const char* inherited = std::getenv(kEnvName)) {
            m_path = inherited;
            return;
        }
        m_owned = std::make_unique<TempDir>();
        m_path = m_owned->Path();
        setenv(kEnvName, m_path.c_str(), 1);
    }
    ~DeathTestDir() {
        if (m_owned)
            unsetenv(kEnvName);
    }
    DeathTestDir(const DeathTestDir&) = delete;
    DeathTestDir& operator=(const DeathTestDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

  private:
    static constexpr const char* kEnvName = "MELVANE_DEATH_TEST_DIR";
    std::string m_path;
    std::unique_ptr<TempDir> m_owned;
};

} // namespace testsupport
