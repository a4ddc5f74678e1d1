// Runs a test case in a child process of its own (fork), so that what it
// loads and maps, the shared page above all, never reaches another case.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace enfant {

struct Issue {
    bool termine = false; // ended through exit / _exit
    int code = -1;        // its exit code
    std::string erreurs;  // all it wrote to the standard error stream
};

// Runs corps() in a child whose standard error is captured; the child ends
// with the value corps returns.
template <class Corps> Issue Executer(Corps corps) {
    Issue issue;
    int tube[2];
    if (pipe(tube) != 0) return issue;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return issue;
    if (pid == 0) {
        close(tube[0]);
        dup2(tube[1], STDERR_FILENO);
        close(tube[1]);
        const int code = corps();
        std::fflush(nullptr);
        _exit(code); // no exit handlers: the parent's statics are not ours to tear down
    }
    close(tube[1]);
    char tampon[4096];
    for (ssize_t n; (n = read(tube[0], tampon, sizeof tampon)) > 0;) issue.erreurs.append(tampon, std::size_t(n));
    close(tube[0]);
    int statut = 0;
    waitpid(pid, &statut, 0);
    issue.termine = WIFEXITED(statut);
    issue.code = issue.termine ? WEXITSTATUS(statut) : -1;
    return issue;
}

} // namespace enfant

// Inside a child: on failure, say what failed on stderr and end the case with 1.
#define VERIFIER(condition)                                                                  \
    do {                                                                                     \
        if (!(condition)) {                                                                  \
            std::fprintf(stderr, "%s:%d: échec : %s\n", __FILE__, __LINE__, #condition);    \
            return 1;                                                                        \
        }                                                                                    \
    } while (0)
