#pragma once

// What a crash at one instant of a button's work leaves on disk: the button
// pressed in a child process (a fork of the test, with its windows and
// archives) that is killed with SIGKILL when the work reaches a hook.

#include <QElapsedTimer>

#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace orvena::test {

// Kills the calling process at once, as a power cut or `kill -9` would.
inline void killNow() {
    ::raise(SIGKILL);
}

// Runs press() in a child process and waits for it (a minute at most). True
// when the child was killed with SIGKILL (by a hook calling killNow()); false
// when it ended in any other way.
inline bool killedInside(const std::function<void()>& press) {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        press();
        ::_exit(0);
    }
    int status = 0;
    QElapsedTimer clock;
    clock.start();
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (clock.elapsed() > 60000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return false;
        }
        ::usleep(10000);
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace orvena::test
