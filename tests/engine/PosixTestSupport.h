// Helpers for the tests of POSIX file permissions: permission bits, and code
// run as an ordinary user (root bypasses file permissions).
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>

namespace posixtest {

constexpr uid_t kNobody = 65534;

inline unsigned ModeOf(const std::filesystem::path& p)
{
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return 0;
    return static_cast<unsigned>(st.st_mode) & 07777u;
}

// Runs body in a child process and returns its exit code (121 when body
// threw); -1 when it did not end normally.
inline int RunInChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int code = 121;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs body in a child process as the ordinary user kNobody (when this test
// runs as root), as RunInChild.
inline int RunAsOrdinaryUser(const std::function<int()>& body)
{
    return RunInChild([&] {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 120;
        return body();
    });
}

}  // namespace posixtest
