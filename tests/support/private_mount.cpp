#include "private_mount.h"

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace testing_support {

namespace {

std::string failed(const char* call) {
    return std::string(call) + ": " + std::strerror(errno);
}

// Once per process; later mounts stay in the same private namespace.
bool enterPrivateNamespace(std::string& why) {
    static std::string reason = [] {
        if (geteuid() != 0)
            return std::string("a mount of its own needs root");
        if (unshare(CLONE_NEWNS) != 0)
            return failed("unshare");
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return failed("mount --make-rprivate /");
        return std::string();
    }();
    why = reason;
    return reason.empty();
}

} // namespace

std::string mountPrivateTmpfs(std::size_t bytes, std::string& why) {
    if (!enterPrivateNamespace(why))
        return {};
    char folder[] = "/tmp/zentor-mount-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        why = failed("mkdtemp");
        return {};
    }
    const std::string options = "size=" + std::to_string(bytes);
    if (mount("tmpfs", folder, "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        why = failed("mount tmpfs");
        return {};
    }
    return folder;
}

bool remountReadOnly(const std::string& path, bool readOnly, std::string& why) {
    const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (readOnly ? MS_RDONLY : 0);
    if (mount(nullptr, path.c_str(), nullptr, flags, nullptr) != 0) {
        why = failed("remount");
        return false;
    }
    return true;
}

} // namespace testing_support
