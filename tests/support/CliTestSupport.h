// Runs the built tinhost as a user would: a child process with its own
// stdin, stdout and stderr, in a scratch directory per test.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
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
    const int in = ::open(path(".stdin").c_str(), O_RDONLY | O_CLOEXEC);
    const pid_t pid = spawn(args, env, in, ".stdout", ".stderr");
    ::close(in);
    return wait(pid, ".stdout", ".stderr");
  }

  // A tinhost running beside the test: its stdin a pipe the test writes to,
  // its stdout and stderr files named after `tag`.
  class Background {
   public:
    Background(const CliTest& test, const std::string& tag, const std::vector<std::string>& args,
               const std::vector<std::string>& env)
        : test_(test), out_("." + tag + ".out"), err_("." + tag + ".err") {
      int fds[2];
      if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
      pid_ = test.spawn(args, env, fds[0], out_, err_);
      ::close(fds[0]);
      stdin_ = fds[1];
    }
    ~Background() {
      if (pid_ > 0) finish();
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    void send(const std::string& text) const {
      if (::write(stdin_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) ADD_FAILURE() << "write";
    }
    std::string out() const { return readText(test_.path(out_)); }
    std::string err() const { return readText(test_.path(err_)); }
    // Waits (up to 30 s) until its stdout or stderr holds `text`; false if it never does.
    bool waitFor(const std::string& text) const {
      for (int i = 0; i < 3000; ++i) {
        if (out().find(text) != std::string::npos || err().find(text) != std::string::npos) return true;
        ::usleep(10'000);
      }
      return false;
    }
    // Ends its input and waits for it to end.
    RunResult finish() {
      if (stdin_ >= 0) ::close(stdin_), stdin_ = -1;
      const RunResult r = test_.wait(pid_, out_, err_);
      pid_ = -1;
      return r;
    }

   private:
    const CliTest& test_;
    std::string out_, err_;
    pid_t pid_ = -1;
    int stdin_ = -1;
  };

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
  pid_t spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int in,
              const std::string& out, const std::string& err) const {
    // Everything the child needs is made before the fork.
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
    const std::string outPath = path(out).string(), errPath = path(err).string();
    const pid_t pid = ::fork();
    if (pid == 0) {
      auto redirect = [](const std::string& f, int fd) {
        const int h = ::open(f.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(h, fd);
        ::close(h);
      };
      ::dup2(in, 0);
      redirect(outPath, 1);
      redirect(errPath, 2);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    return pid;
  }

  RunResult wait(pid_t pid, const std::string& out, const std::string& err) const {
    int wstatus = 0;
    ::waitpid(pid, &wstatus, 0);
    RunResult r;
    if (WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
    if (WIFSIGNALED(wstatus)) r.signal = WTERMSIG(wstatus);
    r.out = readText(path(out));
    r.err = readText(path(err));
    return r;
  }
};

// The standard output of a shell command line (a tool the tests read back
// with, such as gdalinfo or pdftotext); empty when it cannot be started.
inline std::string shellOutput(const std::string& line) {
  std::string out;
  if (FILE* f = ::popen(line.c_str(), "r")) {
    char buf[4096];
    while (std::fgets(buf, sizeof buf, f) != nullptr) out += buf;
    ::pclose(f);
  }
  return out;
}

}  // namespace tinhost::testing
