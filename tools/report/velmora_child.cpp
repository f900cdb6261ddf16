// fork/exec with pipes; the parent writes the input, then reads the child's
// standard error until it closes.
#include "velmora_child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "report_error.h"

namespace {}  // namespace

void drawProgressBar(const Progress& progress, bool final) {
  const int width = 30;
  int filled = static_cast<int>(progress.share * width + 0.5);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(width - filled), '.');
  std::string where =
      progress.chromosome > 0 ? ", chromosome " + std::to_string(progress.chromosome) : "";
  std::string text = "[" + bar + "] " +
                     std::to_string(static_cast<int>(progress.share * 100 + 0.5)) + "% " +
                     progress.phase + where;
  if (text.size() > 78) text.resize(78);
  std::fprintf(stderr, "\r%-78s%s", text.c_str(), final ? "\n" : "");
  std::fflush(stderr);
}

namespace {

void writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the child stopped reading; its exit status tells why
    data += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

namespace {

// execv's argument vector: the program, its arguments, a null pointer. The
// strings must outlive the call.
std::vector<char*> argvOf(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

}  // namespace

ChildResult runVelmora(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& input, const std::string& logPath, VelmoraLog& log) {
  int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (logFd < 0) throw ReportError("cannot create " + logPath);
  int in[2], err[2];
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    ::close(logFd);
    throw ReportError("cannot create pipes for velmora");
  }
  std::vector<char*> argv = argvOf(program, arguments);
  pid_t child = ::fork();
  if (child < 0) throw ReportError("cannot start " + program);
  if (child == 0) {
    // velmora writes into the report's staging directory: it must not
    // outlive a killed velmora-report, whose next run clears that directory.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::dup2(in[0], 0);
    ::dup2(logFd, 1);
    ::dup2(err[1], 2);
    ::execv(program.c_str(), argv.data());
    _exit(127);
  }
  ::close(in[0]);
  ::close(err[1]);
  // A child that ends before reading all its input must not stop us by SIGPIPE.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
  writeAll(in[1], input.data(), input.size());
  ::close(in[1]);

  bool terminal = ::isatty(2) != 0;
  bool logFailed = false;
  int logError = 0;  // errno of the failed write
  std::string pending;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(err[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    ssize_t written = 0;
    while (written < n) {
      ssize_t w = ::write(logFd, buffer + written, static_cast<size_t>(n - written));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        logFailed = true;
        logError = w < 0 ? errno : ENOSPC;
        break;
      }
      written += w;
    }
    pending.append(buffer, static_cast<size_t>(n));
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      log.line(pending.substr(start, end - start));
    }
    pending.erase(0, start);
    if (terminal) drawProgressBar(log.progress(), false);
  }
  if (!pending.empty()) log.line(pending);
  ::close(err[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ::sigaction(SIGPIPE, &previous, nullptr);
  if (::close(logFd) != 0 && !logFailed) {
    logFailed = true;
    logError = errno;
  }
  if (terminal) drawProgressBar(log.progress(), true);
  if (logFailed) {
    throw ReportError("cannot write " + logPath + ": " + std::strerror(logError) +
                      " (a full disk or a file-size limit?)");
  }
  ChildResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

int runCapture(const std::string& program, const std::vector<std::string>& arguments,
               std::string& output) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw ReportError("cannot create a pipe for " + program);
  std::vector<char*> argv = argvOf(program, arguments);
  pid_t child = ::fork();
  if (child < 0) throw ReportError("cannot start " + program);
  if (child == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(out[1], 1);
    ::dup2(out[1], 2);
    ::execv(program.c_str(), argv.data());
    _exit(127);
  }
  ::close(out[1]);
  char buffer[4096];
  for (;;) {
    ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
  }
  ::close(out[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
