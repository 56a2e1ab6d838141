#pragma once
// A signal any thread may raise and one thread watches through a descriptor
// that becomes readable, so an event loop's socket notifier can wait for it.
// Raises coalesce: one readable state may answer several.
//
// POSIX: a non-blocking pipe. Windows: a connected loopback socket pair
// (event loops watch sockets there, not pipes).

namespace kestrow::platform {

class WakeSignal {
  public:
    // Throws Error with the system's text when it cannot be made.
    WakeSignal();
    ~WakeSignal();
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    // Readable while a raise has not been cleared.
    int ReadDescriptor() const { return read_fd_; }
    // Any thread.
    void Raise();
    // The watching thread, before it answers.
    void Clear();

  private:
    int read_fd_ = -1;
    int write_fd_ = -1;
};

}  // namespace kestrow::platform
