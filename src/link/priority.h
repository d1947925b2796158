// The process priority of "High Priority": busy-waited bus timing is less
// often stretched by other programs when the process runs at a higher priority.
#pragma once

namespace quorvan {

// true: raise the process priority; false: back to normal. Returns whether the
// system accepted it (raising needs privileges on Linux; failing is harmless).
bool SetHighPriority(bool on);

} // namespace quorvan
