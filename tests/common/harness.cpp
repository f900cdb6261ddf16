// Process runner and scratch directories for the end-to-end tests.
#include "common/harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace

RunResult runProgram(const std::vector<std::string>& argv, const std::string& input,
                     const std::string& cwd) {
  ScratchDir io;
  io.write("stdin", input);
  pid_t child = fork();
  if (child == 0) {
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    int in = open(io.file("stdin").c_str(), O_RDONLY);
    int out = open(io.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(io.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  RunResult result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = slurp(io.file("stdout"));
  result.err = slurp(io.file("stderr"));
  return result;
}

StartedProgram::StartedProgram(const std::vector<std::string>& argv, const std::string& cwd) {
  ::signal(SIGPIPE, SIG_IGN);  // a program that ended early must not end the test
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ == 0) {
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    int out = open(io_.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(io_.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(pipeEnds[0], 0);
    dup2(out, 1);
    dup2(err, 2);
    close(pipeEnds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(pipeEnds[0]);
  input_ = pipeEnds[1];
}

StartedProgram::~StartedProgram() {
  if (!ended_) {
    kill(pid_, SIGKILL);
    wait();
  }
}

void StartedProgram::send(const std::string& text) {
  size_t done = 0;
  while (input_ >= 0 && done < text.size()) {
    const ssize_t n = write(input_, text.data() + done, text.size() - done);
    if (n <= 0) break;  // the program has gone; wait() tells how it ended
    done += static_cast<size_t>(n);
  }
}

void StartedProgram::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

bool StartedProgram::waitForError(const std::string& what, size_t count, double seconds) {
  for (double waited = 0; waited < seconds; waited += 0.01) {
    if (occurrences(slurp(io_.file("stderr")), what) >= count) return true;
    int status = 0;
    if (!ended_ && waitpid(pid_, &status, WNOHANG) == pid_) {
      ended_ = true;
      result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return occurrences(slurp(io_.file("stderr")), what) >= count;
    }
    if (ended_) return false;
    usleep(10000);
  }
  return false;
}

void StartedProgram::sendSignal(int number) {
  if (!ended_) kill(pid_, number);
}

RunResult StartedProgram::wait() {
  closeInput();
  if (!ended_) {
    int status = 0;
    waitpid(pid_, &status, 0);
    ended_ = true;
    result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  result_.out = slurp(io_.file("stdout"));
  result_.err = slurp(io_.file("stderr"));
  return result_;
}

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "velmora-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

void ScratchDir::write(const std::string& name, const std::string& content) const {
  fs::path target = fs::path(path_) / name;
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary);
  out << content;
}

std::string ScratchDir::read(const std::string& name) const {
  return slurp(file(name));
}

bool ScratchDir::exists(const std::string& name) const {
  return fs::exists(file(name));
}

std::vector<std::string> ScratchDir::list(const std::string& sub) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(path_) / sub)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}
