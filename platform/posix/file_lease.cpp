#include "platform/file_lease.h"

#include <cerrno>
#include <csignal>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The system tells a lease's holder that a writer is waiting with a signal of its choosing;
// one of the real-time signals carries which descriptor it is about.
int leaseBreakSignal() {
    return SIGRTMIN + 1;
}

// Lets the writer go ahead at once rather than after the system's lease-break time (45
// seconds by default): the lease is given up, and holdsReadLease sees so from then on.
// fcntl is safe in a signal handler.
extern "C" void onLeaseBreak(int, siginfo_t* info, void*) {
    const int saved = errno;
    if (info != nullptr && info->si_fd >= 0) {
        ::fcntl(info->si_fd, F_SETLEASE, F_UNLCK);
    }
    errno = saved;
}

// Installed once, before the first lease: unhandled, the signal would end the process.
bool handleLeaseBreaks() {
    static std::once_flag once;
    static bool handled = false;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = onLeaseBreak;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        handled = sigaction(leaseBreakSignal(), &action, nullptr) == 0;
    });
    return handled;
}

} // namespace

Lease takeReadLease(FileHandle file) {
    const int fd = static_cast<int>(file);
    if (!handleLeaseBreaks() || ::fcntl(fd, F_SETSIG, leaseBreakSignal()) != 0) {
        return Lease::Unavailable;
    }
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) {
        return Lease::Held;
    }
    // EAGAIN: open for writing (or mapped for it) somewhere. EACCES: neither the file's
    // owner nor privileged. EINVAL: no leases on this file system.
    return errno == EAGAIN || errno == EBUSY ? Lease::OpenForWriting : Lease::Unavailable;
}

// A break under way reads as the lease it will end in (none) already.
bool holdsReadLease(FileHandle file) {
    return ::fcntl(static_cast<int>(file), F_GETLEASE) == F_RDLCK;
}

// A file system that keeps no holes answers with the file's end, as for a file without any.
// The look moves the file's position, which is put back for whoever reads it.
bool hasHoles(FileHandle file) {
    const int fd = static_cast<int>(file);
    struct stat info {};
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position < 0 || ::fstat(fd, &info) != 0 || info.st_size == 0) {
        return false;
    }
    const off_t hole = ::lseek(fd, 0, SEEK_HOLE);
    ::lseek(fd, position, SEEK_SET);
    return hole >= 0 && hole < info.st_size;
}

} // namespace platform
