#include "app/SpawnedProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

SpawnedProcess::~SpawnedProcess()
{
    release();
}

void SpawnedProcess::release()
{
    if (pid != 0 && ! ended)
        kill();
    if (readHandle >= 0)
        close (readHandle);
    pid = 0;
    readHandle = -1;
    ended = false;
    leadsGroup = false;
    exitCode = 0;
}

bool SpawnedProcess::start (const juce::StringArray& arguments, int streamFlags)
{
    if (arguments.isEmpty())
        return false;
    release();

    // Everything the child needs is made here, before it exists.
    std::vector<std::string> storage;
    for (auto& argument : arguments)
        if (argument.isNotEmpty())
            storage.push_back (argument.toStdString());
    std::vector<char*> argv;
    for (auto& argument : storage)
        argv.push_back (argument.data());
    argv.push_back (nullptr);

    int pipeHandles[2] = { -1, -1 };
    if (pipe2 (pipeHandles, O_CLOEXEC) != 0)
        return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init (&actions);
    auto route = [&actions, &pipeHandles] (bool wanted, int stream)
    {
        if (wanted)
            posix_spawn_file_actions_adddup2 (&actions, pipeHandles[1], stream);
        else
            posix_spawn_file_actions_addopen (&actions, stream, "/dev/null", O_WRONLY, 0);
    };
    route ((streamFlags & wantStdOut) != 0, STDOUT_FILENO);
    route ((streamFlags & wantStdErr) != 0, STDERR_FILENO);

    posix_spawnattr_t attributes;
    posix_spawnattr_init (&attributes);
    const bool ownGroup = (streamFlags & inOwnProcessGroup) != 0;
    if (ownGroup)
    {
        posix_spawnattr_setflags (&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup (&attributes, 0);
    }

    pid_t child = 0;
    const int error = posix_spawnp (&child, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy (&attributes);
    posix_spawn_file_actions_destroy (&actions);
    close (pipeHandles[1]);

    if (error != 0)
    {
        close (pipeHandles[0]);
        return false;
    }

    pid = child;
    readHandle = pipeHandles[0];
    ended = false;
    leadsGroup = ownGroup;
    exitCode = 0;
    return true;
}

bool SpawnedProcess::reap (bool wait)
{
    if (pid == 0 || ended)
        return ended;

    int status = 0;
    pid_t result;
    do
        result = waitpid (pid, &status, wait ? 0 : WNOHANG);
    while (result < 0 && errno == EINTR);

    if (result == 0)
        return false;

    ended = true;
    if (result == pid)
        exitCode = WIFEXITED (status) ? (juce::uint32) WEXITSTATUS (status)
                   : WIFSIGNALED (status) ? (juce::uint32) WTERMSIG (status)
                                          : 0;
    return true;
}

bool SpawnedProcess::isRunning()
{
    return pid != 0 && ! reap (false);
}

int SpawnedProcess::readProcessOutput (void* destBuffer, int numBytesToRead)
{
    if (readHandle < 0 || numBytesToRead <= 0)
        return 0;

    pollfd ready { readHandle, POLLIN, 0 };
    if (poll (&ready, 1, 0) <= 0 || (ready.revents & (POLLIN | POLLHUP)) == 0)
        return 0;

    const auto n = read (readHandle, destBuffer, (size_t) numBytesToRead);
    return n > 0 ? (int) n : 0;
}

juce::String SpawnedProcess::readAllProcessOutput()
{
    juce::MemoryOutputStream output;
    if (readHandle < 0)
        return {};

    char buffer[4096];
    for (;;)
    {
        const auto n = read (readHandle, buffer, sizeof (buffer));
        if (n > 0)
            output.write (buffer, (size_t) n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    return output.toUTF8();
}

bool SpawnedProcess::waitForProcessToFinish (int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) juce::jmax (0, timeoutMs);
    while (isRunning())
    {
        if (timeoutMs >= 0 && juce::Time::getMillisecondCounter() >= deadline)
            return false;
        juce::Thread::sleep (2);
    }
    return true;
}

juce::uint32 SpawnedProcess::getExitCode()
{
    reap (false);
    return exitCode;
}

bool SpawnedProcess::kill()
{
    if (pid == 0 || reap (false))
        return pid != 0;
    if (::kill (leadsGroup ? -pid : pid, SIGKILL) != 0)
        return false;
    reap (true);
    return true;
}
