// A host without any display: a dialog operation must not take it down.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char **environ;

namespace {

struct Sortie {
    int code = -1;
    std::string out, err;
};

std::string Lire(const std::string &chemin) {
    std::ifstream f(chemin);
    return {std::istreambuf_iterator<char>(f), {}};
}

// Runs the minimal host on the built library, in a fresh process whose
// environment names no display of any kind.
Sortie Lancer(const char *operation) {
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string v = *e;
        if (v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            v.rfind("QT_QPA_PLATFORM=", 0) == 0)
            continue;
        env.push_back(v);
    }
    std::vector<char *> envp;
    for (auto &v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    const std::string base = ::testing::TempDir() + "velmora-sans-affichage-" + std::to_string(getpid());
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, (base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, (base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string hote = std::getenv("VELMORA_HOTE_MINIMAL"), plugin = std::getenv("VELMORA_PLUGIN");
    std::string op = operation;
    char *argv[] = {hote.data(), plugin.data(), op.data(), nullptr};
    pid_t pid;
    Sortie s;
    if (posix_spawn(&pid, argv[0], &fa, nullptr, argv, envp.data()) != 0) return s;
    posix_spawn_file_actions_destroy(&fa);
    int etat = 0;
    waitpid(pid, &etat, 0);
    s.code = WIFEXITED(etat) ? WEXITSTATUS(etat) : 128 + WTERMSIG(etat);
    s.out = Lire(base + ".out");
    s.err = Lire(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return s;
}

TEST(SansAffichage, UnDialogueNeFaitRienEtLeDit) {
    if (!std::getenv("VELMORA_HOTE_MINIMAL")) GTEST_SKIP() << "no minimal host";
    for (const char *op : {"2", "9"}) {
        const Sortie s = Lancer(op);
        EXPECT_EQ(s.code, 0) << op << ": " << s.err;
        EXPECT_EQ(s.out, "notices 0, pixels inchangés\n") << op;
        EXPECT_NE(s.err.find("aucun affichage disponible"), std::string::npos) << s.err;
        // One line, once.
        EXPECT_EQ(std::count(s.err.begin(), s.err.end(), '\n'), 1) << s.err;
    }
    // The direct operations still work there.
    const Sortie s = Lancer("1");
    EXPECT_EQ(s.code, 0);
    EXPECT_EQ(s.out, "notices 1, pixels changés\n");
}

} // namespace
