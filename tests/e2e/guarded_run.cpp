// Child processes with limits, without privileges, or fed step by step.
#include "guarded_run.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// In the child, before exec.
void applyLimits(const RunLimits& limits) {
  if (limits.fileSizeBytes >= 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
    const rlimit limit{static_cast<rlim_t>(limits.fileSizeBytes),
                       static_cast<rlim_t>(limits.fileSizeBytes)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(kSetupFailed);
  }
  if (limits.openFilesSoft >= 0) {
    const rlimit limit{static_cast<rlim_t>(limits.openFilesSoft),
                       static_cast<rlim_t>(limits.openFilesHard)};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(kSetupFailed);
  }
  if (limits.unprivileged && geteuid() == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
      _exit(kSetupFailed);
  }
}

[[noreturn]] void execArgs(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

void makePipe(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
}

int statusOf(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Reads whatever is ready on the open descriptors of `fds` into `texts`;
// closes and marks -1 those at end of file. Blocks until something happens.
void pumpOnce(std::vector<int*>& fds, std::vector<std::string*>& texts) {
  std::vector<pollfd> polled;
  for (int* fd : fds) polled.push_back({*fd, POLLIN, 0});
  if (poll(polled.data(), polled.size(), -1) < 0) return;
  for (size_t i = 0; i < fds.size(); ++i) {
    if (*fds[i] < 0 || polled[i].revents == 0) continue;
    char buffer[65536];
    const ssize_t got = read(*fds[i], buffer, sizeof buffer);
    if (got > 0) {
      texts[i]->append(buffer, static_cast<size_t>(got));
    } else {
      close(*fds[i]);
      *fds[i] = -1;
    }
  }
}

}  // namespace

bool runningAsRoot() {
  return geteuid() == 0;
}

void openToEveryone(const std::string& dir) {
  fs::permissions(dir, fs::perms::all, fs::perm_options::add);
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const fs::perms wanted = entry.is_directory() ? fs::perms::all
                                                  : fs::perms::owner_read | fs::perms::group_read |
                                                        fs::perms::others_read;
    fs::permissions(entry.path(), wanted, fs::perm_options::add);
  }
}

RunResult runGuarded(const std::vector<std::string>& argv, const std::string& input,
                     const RunLimits& limits) {
  int in[2], out[2], err[2];
  makePipe(in);
  makePipe(out);
  makePipe(err);
  const pid_t child = fork();
  if (child == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    applyLimits(limits);
    execArgs(argv);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  // Inputs are small: the whole of it fits the pipe before the child reads.
  signal(SIGPIPE, SIG_IGN);
  if (!input.empty() && write(in[1], input.data(), input.size()) < 0) {
    // the child ended without reading; its status tells why
  }
  close(in[1]);
  RunResult result;
  int outFd = out[0], errFd = err[0];
  std::vector<int*> fds{&outFd, &errFd};
  std::vector<std::string*> texts{&result.out, &result.err};
  while (outFd >= 0 || errFd >= 0) pumpOnce(fds, texts);
  result.status = statusOf(child);
  return result;
}

Session::Session(const std::vector<std::string>& argv) {
  int in[2], err[2];
  makePipe(in);
  makePipe(err);
  child_ = fork();
  if (child_ == 0) {
    dup2(in[0], 0);
    dup2(err[1], 2);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    execArgs(argv);
  }
  close(in[0]);
  close(err[1]);
  in_ = in[1];
  err_ = err[0];
  signal(SIGPIPE, SIG_IGN);
}

Session::~Session() {
  if (child_ > 0) finish();
}

bool Session::waitFor(const std::string& text) {
  std::vector<int*> fds{&err_};
  std::vector<std::string*> texts{&err_text_};
  while (err_text_.find(text) == std::string::npos) {
    if (err_ < 0) return false;
    pumpOnce(fds, texts);
  }
  return true;
}

void Session::send(const std::string& text) {
  if (in_ >= 0 && write(in_, text.data(), text.size()) < 0) {
    // the program has gone; finish() reports how it ended
  }
}

RunResult Session::finish() {
  RunResult result;
  if (child_ <= 0) return result;
  if (in_ >= 0) close(in_);
  in_ = -1;
  std::vector<int*> fds{&err_};
  std::vector<std::string*> texts{&err_text_};
  while (err_ >= 0) pumpOnce(fds, texts);
  result.status = statusOf(child_);
  child_ = -1;
  result.err = err_text_;
  return result;
}
