#pragma once

#include <sys/types.h>
#include <vector>

// Processes that do nothing but spin, to keep every core busy while a test
// runs, at the given nice value added to the test's own (0: as urgent as the
// test itself; never more urgent, whatever priority the test runs at). They end
// with the object.
class CBusyLoad {
public:
    CBusyLoad(int processes, int nice);
    CBusyLoad(const CBusyLoad&) = delete;
    CBusyLoad& operator=(const CBusyLoad&) = delete;
    ~CBusyLoad();

    int Count() const { return static_cast<int>(m_children.size()); }

private:
    std::vector<pid_t> m_children;
};
