#pragma once
// Thread priorities. A thread started from a lowered thread inherits the
// lowered priority on POSIX and cannot raise it again without privileges, so
// threads that must run at normal priority are started from one that has it.

namespace kestrow::platform {

// The lowest priority the platform allows for the calling thread, for its
// processor time and (where the platform has one) its disk reads. Failures
// are ignored: the thread then keeps running at its priority.
void LowerCurrentThreadPriority() noexcept;

}  // namespace kestrow::platform
