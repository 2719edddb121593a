#include "support/CBusyLoad.h"

#include <cerrno>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

CBusyLoad::CBusyLoad(int processes, int nice) {
    for (int i = 0; i < processes; ++i) {
        const pid_t child = ::fork();
        if (child == 0) {
            // Relative to the test's own priority: a suite run under `nice`
            // keeps its load below itself, never above.
            errno = 0;
            const int own = ::getpriority(PRIO_PROCESS, 0);
            if (errno == 0)
                ::setpriority(PRIO_PROCESS, 0, own + nice);
            // Only a spin: nothing here may take a lock another thread held.
            for (;;)
                __asm__ __volatile__("");
        }
        if (child > 0)
            m_children.push_back(child);
    }
}

CBusyLoad::~CBusyLoad() {
    for (pid_t child : m_children)
        ::kill(child, SIGKILL);
    for (pid_t child : m_children)
        ::waitpid(child, nullptr, 0);
}
