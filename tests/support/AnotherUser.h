#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvena::test {

// Runs fn as a user without privileges and gives back the text it returns,
// so that a file's permission bits stop it as they stop any user: the tests
// run as root too, whom they never stop. As root, fn runs in a child process
// that becomes the user nobody (65534); as another user, in this process.
// Nothing when no such child could be made; a child that fails otherwise
// gives a text saying so.
inline std::optional<QString> asUnprivilegedUser(const std::function<QString()>& fn) {
    if (::geteuid() != 0) return fn();
    int pipe[2];
    if (::pipe(pipe) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(77);
        const QByteArray said = fn().toUtf8();
        const bool written = ::write(pipe[1], said.constData(), static_cast<size_t>(said.size())) ==
                             static_cast<ssize_t>(said.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(pipe[1]);
    QByteArray said;
    char buffer[4096];
    for (ssize_t n; child > 0 && (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return std::nullopt;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("(the child running as nobody failed: status %1)").arg(status);
    return QString::fromUtf8(said);
}

} // namespace orvena::test
