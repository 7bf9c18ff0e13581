// camsim as a child process of a test (CAMSIM_PATH names the program): its
// arguments from one string, its output read with a bounded wait.
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <sstream>
#include <string>
#include <vector>

// camsim as a child with the given words as arguments, stdout and stderr into one pipe.
struct Camsim {
  pid_t pid = -1;
  int out = -1;
  std::string text;

  explicit Camsim(const std::string& line) {
    std::vector<std::string> args;
    std::istringstream words(line);
    for (std::string w; words >> w;) args.push_back(w);
    int fds[2];
    if (pipe(fds) != 0) return;
    pid = fork();
    if (pid == 0) {
      dup2(fds[1], 1);
      dup2(fds[1], 2);
      close(fds[0]);
      std::vector<char*> argv{const_cast<char*>(CAMSIM_PATH)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(CAMSIM_PATH, argv.data());
      _exit(127);
    }
    close(fds[1]);
    out = fds[0];
  }
  ~Camsim() {
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
    if (out >= 0) close(out);
  }

  // Reads output until `until` shows up; false when it has not after 5 s.
  bool ReadUntil(const char* until) {
    char buffer[256];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (text.find(until) == std::string::npos) {
      pollfd p{out, POLLIN, 0};
      if (std::chrono::steady_clock::now() >= end || poll(&p, 1, 100) < 0) return false;
      const ssize_t n = p.revents == 0 ? 0 : read(out, buffer, sizeof(buffer));
      if (n < 0 || (p.revents != 0 && n == 0)) return false;
      text.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
};
