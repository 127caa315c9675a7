// Runs part of a test in a child process, for what a test must not do to itself: give up root,
// have system calls refused, or be killed. The child reports through a pipe as text. And an alarm
// that turns a call which would block for ever into a failure.
#pragma once

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <exception>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pindle::testing {

// The text the body returned, or what stopped it: "exception: ...", "killed by signal N".
inline std::string RunInChild(const std::function<std::string()>& body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    pid_t child = ::fork();
    if (child < 0)
        return "no child";
    if (child == 0) {
        ::close(channel[0]);
        std::string result;
        try {
            result = body();
        } catch (const std::exception& e) {
            result = std::string("exception: ") + e.what();
        }
        const char* data = result.data();
        std::size_t left = result.size();
        while (left > 0) {
            ssize_t n = ::write(channel[1], data, left);
            if (n <= 0)
                break;
            data += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(channel[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return result;
}

inline constexpr uid_t Nobody = 65534;

// In a child: becomes an ordinary user (nobody unless another is given) when running as root, so
// that file permissions apply. Returns false when that fails.
inline bool BecomeOrdinaryUser(uid_t user = Nobody)
{
    if (::geteuid() != 0)
        return true;
    return ::setgroups(0, nullptr) == 0 && ::setresgid(user, user, user) == 0
           && ::setresuid(user, user, user) == 0;
}

// An alarm that interrupts a blocking call, so that a test that would hang fails instead.
class TAlarm {
public:
    explicit TAlarm(unsigned seconds)
    {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        ::sigaction(SIGALRM, &action, &old_);  // no SA_RESTART: the blocked call returns EINTR
        ::alarm(seconds);
    }
    ~TAlarm()
    {
        ::alarm(0);
        ::sigaction(SIGALRM, &old_, nullptr);
    }
    TAlarm(const TAlarm&) = delete;
    TAlarm& operator=(const TAlarm&) = delete;

private:
    struct sigaction old_ {};
};

}  // namespace pindle::testing
