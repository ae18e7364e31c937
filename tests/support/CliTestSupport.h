// Runs the built tinhost as a user would: a child process with its own
// stdin, stdout and stderr, in a scratch directory per test.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScratchDirTest.h"
#include <nlohmann/json.hpp>

extern char** environ;

namespace tinhost::testing {

struct RunResult {
  int status = -1;     // exit status, -1 when killed
  int signal = 0;      // the signal that ended it, 0 when it exited
  std::string out, err;
};

inline fs::path tinhostBinary() { return fs::path(TIN_BIN_DIR) / "tinhost"; }
inline fs::path probePlugin() { return fs::path(TIN_PROBE_PLUGIN); }
class CliTest : public ScratchDirTest {
 protected:
  std::string p(const std::string& name) const { return path(name).string(); }

  // Runs tinhost with `args`; `env` entries ("NAME=value") are added to the environment.
  RunResult run(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                const std::string& input = "") const {
    write(".stdin", input);
    const pid_t pid = ::fork();
    if (pid == 0) {
      auto redirect = [](const fs::path& f, int fd, int flags) {
        const int h = ::open(f.c_str(), flags, 0644);
        ::dup2(h, fd);
        ::close(h);
      };
      redirect(path(".stdin"), 0, O_RDONLY);
      redirect(path(".stdout"), 1, O_WRONLY | O_CREAT | O_TRUNC);
      redirect(path(".stderr"), 2, O_WRONLY | O_CREAT | O_TRUNC);
      std::vector<std::string> all{tinhostBinary().string()};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (auto& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      std::vector<std::string> envStrings(env);
      for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
      std::vector<char*> envp;
      for (auto& e : envStrings) envp.push_back(e.data());
      envp.push_back(nullptr);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    RunResult r;
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) r.signal = WTERMSIG(wstatus);
    r.out = readText(path(".stdout"));
    r.err = readText(path(".stderr"));
    return r;
  }

  // Runs and expects success; returns stdout.
  std::string ok(const std::vector<std::string>& args) const {
    const RunResult r = run(args);
    EXPECT_EQ(r.status, 0) << "tinhost";
    if (r.status != 0) ADD_FAILURE() << "stderr: " << r.err;
    return r.out;
  }

  nlohmann::json info(const std::string& drawing) const {
    const RunResult r = run({"info", drawing, "--json", "--objects"});
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out);
  }

  // A fresh drawing in the scratch directory.
  std::string newDrawing(const std::string& name = "d.tin", const std::vector<std::string>& options = {}) const {
    std::vector<std::string> args{"new", p(name)};
    args.insert(args.end(), options.begin(), options.end());
    ok(args);
    return p(name);
  }

 private:
};

}  // namespace tinhost::testing
