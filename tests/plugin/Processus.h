// Runs a program of the build in a process of its own and collects how it
// ended and what it wrote, for the tests of hosts that must survive the plug-in.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

extern char **environ;

namespace banc {

struct Issue {
    int code = -1;  // exit code, or 128 + the signal that ended it
    std::string out, err;
};

// Runs args[0] with args, in this process's environment less the variables
// that `ecarter` rejects ("NAME=value" strings).
inline Issue Executer(std::vector<std::string> args,
                      const std::function<bool(std::string_view)> &ecarter = {}) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        if (!ecarter || !ecarter(*e)) env.emplace_back(*e);
    std::vector<char *> envp, argv;
    for (auto &v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    static int numero = 0;
    const std::string base = ::testing::TempDir() + "velmora-processus-" +
                             std::to_string(getpid()) + "-" + std::to_string(++numero);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, (base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, (base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    Issue s;
    pid_t pid;
    const int lance = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    if (lance != 0) return s;
    int etat = 0;
    waitpid(pid, &etat, 0);
    s.code = WIFEXITED(etat) ? WEXITSTATUS(etat) : 128 + WTERMSIG(etat);
    for (auto [suffixe, dest] : {std::pair{".out", &s.out}, std::pair{".err", &s.err}}) {
        std::ifstream f(base + suffixe);
        dest->assign(std::istreambuf_iterator<char>(f), {});
        std::remove((base + suffixe).c_str());
    }
    return s;
}

} // namespace banc
