// fork/exec with a pipe; the parent reads the child's output until it closes.
#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "report_error.h"

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
