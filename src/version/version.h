// The program's version, one string for the window, quorvanctl and the
// Debian package: the project version, followed by the `git describe` of the
// commit when built from a git checkout (cmake/QuorvanVersion.cmake writes it
// at build time). It never reads anything at run time.
#pragma once

namespace quorvan {

// "0.1" from a tarball, "0.1+a7408b1" from a checkout.
const char* programVersion();

} // namespace quorvan
