// A small file system of the test's own: a tmpfs mounted in a private mount
// namespace of the test process, so that a full or read-only disk is real
// and nobody else sees it. Needs root (CI runs the tests as root); where it
// cannot be had, the functions say why and the test skips.
#pragma once

#include <cstddef>
#include <string>

namespace testing_support {

// Mounts a writable tmpfs of `bytes` at a fresh folder and returns its path;
// empty on failure, with the reason in `why`.
std::string mountPrivateTmpfs(std::size_t bytes, std::string& why);

// Makes a mounted file system read-only or writable again.
bool remountReadOnly(const std::string& path, bool readOnly, std::string& why);

} // namespace testing_support
