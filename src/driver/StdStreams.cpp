#include "driver/StdStreams.h"

#include "core/Messages.h"
#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace zarnet {

void holdClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // Opened the wrong way round, so that every read or write of the stream fails.
        int held = ::open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (held < 0 || held == fd) continue;
        ::dup2(held, fd);
        ::close(held);
    }
}

void CheckedConsole::fail(const char* operation, int errnum) {
    if (!failure_) failure_ = FileOpError(msg::kStdoutName, operation, errnum).describe();
}

void CheckedConsole::writeOut(std::string_view utf8) {
    if (failure_ || utf8.empty()) return;
    errno = 0;
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size()) fail("hPutStr", errno ? errno : EIO);
}

void CheckedConsole::flushOut() {
    if (failure_) return;
    errno = 0;
    if (std::fflush(stdout) != 0) fail("hFlush", errno ? errno : EIO);
}

std::optional<std::string> CheckedConsole::finish() {
    flushOut();
    errno = 0;
    if (std::fclose(stdout) != 0) fail("hClose", errno ? errno : EIO);
    return failure_;
}

} // namespace zarnet
