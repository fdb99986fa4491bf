#pragma once

namespace tovi {

// Runs in a freshly forked child before exec: marks every descriptor above standard error
// close-on-exec, so the program started sees only 0, 1 and 2. Marking rather than closing
// keeps QProcess's own start-up report pipe working until exec succeeds.
// Async-signal-safe: system calls only, no allocation.
void markDescriptorsCloseOnExec();
// The same by walking /proc/self/fd, for kernels without close_range's close-on-exec mode.
void markDescriptorsCloseOnExecByListing();

} // namespace tovi
