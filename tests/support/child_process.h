#pragma once
// A program started by a test, with its standard output readable line by
// line; ended (SIGTERM, then SIGKILL) when the object goes away.

#include <string>
#include <vector>

namespace kestrow::test {

class ChildProcess {
  public:
    // Starts program with args (argv[1..]); its stderr goes to stderr_path
    // when given, else it is inherited. Throws std::runtime_error.
    explicit ChildProcess(const std::string& program, const std::vector<std::string>& args,
                          const std::string& stderr_path = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    int Pid() const { return pid_; }
    // The next line of standard output without its newline; false at end of
    // output or when nothing arrives within timeout_ms.
    bool ReadLine(std::string& line, int timeout_ms);
    // True while the process has not exited.
    bool Running();
    // Waits for the exit and returns the exit status (128 + signal when killed).
    int Wait();
    // Ends the process: SIGTERM, then SIGKILL after grace_ms; returns Wait().
    int Stop(int grace_ms = 3000);

  private:
    int pid_ = -1;
    int out_fd_ = -1;
    bool exited_ = false;
    int status_ = 0;
    std::string pending_;
};

}  // namespace kestrow::test
