/*
 * Benchmarks that time the real program in child processes: the set-up they
 * share (a temporary data folder, the offscreen platform, the path of the
 * running binary) and the start of one child whose standard output is read
 * line by line while its standard error is thrown away.
 */
#ifndef BENCH_CHILD_H
#define BENCH_CHILD_H

#include "bench_util.h"

#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

extern char **environ;

/* Makes /tmp/zv_<name>_XXXXXX, sets the children's environment (offscreen,
 * their settings kept in that folder, not in the home) and finds this
 * binary. False, with the reason on standard error, when any of it fails. */
inline bool bench_child_setup(const char *name, std::string *data, std::string *self)
{
    std::string pattern = std::string("/tmp/zv_") + name + "_XXXXXX";
    std::vector<char> folder(pattern.begin(), pattern.end());
    folder.push_back('\0');
    if (!mkdtemp(folder.data())) {
        fprintf(stderr, "%s: no temporary folder\n", name);
        return false;
    }
    *data = folder.data();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("XDG_DATA_HOME", data->c_str(), 1);
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        fprintf(stderr, "%s: cannot find itself\n", name);
        return false;
    }
    path[n] = '\0';
    *self = path;
    return true;
}

/* Removes the folder bench_child_setup made. */
inline void bench_child_cleanup(const char *name, const std::string &data)
{
    if (system(("rm -rf '" + data + "'").c_str()) != 0)
        fprintf(stderr, "%s: %s left behind\n", name, data.c_str());
}

/* What one child did: when it was spawned and when it had ended (monotonic
 * milliseconds), and whether it exited with status 0. */
struct BenchChild {
    double spawned_ms = -1;
    double ended_ms = -1;
    bool ok = false;
};

/* Runs args[0] with args, hands each line it writes to its standard output
 * to on_line, and waits for its end. Qt's start-up notes on its standard
 * error would drown the report: they go to /dev/null. */
inline BenchChild bench_run_child(const std::vector<std::string> &args,
                                  const std::function<void(const char *)> &on_line)
{
    BenchChild child;
    if (args.empty())
        return child;
    int fds[2];
    if (pipe(fds) != 0)
        return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    child.spawned_ms = bench_now_ms();
    int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return child;
    }
    FILE *in = fdopen(fds[0], "r");
    char line[4096];
    while (in && fgets(line, sizeof line, in))
        on_line(line);
    if (in)
        fclose(in);
    else
        close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    child.ended_ms = bench_now_ms();
    child.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return child;
}

#endif
