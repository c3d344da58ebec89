// Runs a test body in a child process with a time limit, so that a crash, an
// abort or a hang fails the case instead of the test program.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

namespace morlake::test {

inline ::testing::AssertionResult inChild (int seconds, const std::function<void ()>& body)
{
    std::fflush (nullptr);
    const pid_t pid = ::fork ();
    if (pid < 0)
        return ::testing::AssertionFailure () << "fork failed";
    if (pid == 0)
    {
        ::alarm (static_cast<unsigned> (seconds));
        body ();
        std::fflush (nullptr);
        ::_exit (::testing::Test::HasFailure () ? 1 : 0);
    }
    int status = 0;
    ::waitpid (pid, &status, 0);
    if (WIFSIGNALED (status))
        return ::testing::AssertionFailure ()
               << (WTERMSIG (status) == SIGALRM ? "hung" : "killed by signal ") << WTERMSIG (status);
    if (WEXITSTATUS (status) != 0)
        return ::testing::AssertionFailure () << "failed with exit status " << WEXITSTATUS (status);
    return ::testing::AssertionSuccess ();
}

} // namespace morlake::test
