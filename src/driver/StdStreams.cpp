#include "driver/StdStreams.h"

#include "core/Messages.h"
#include "driver/FileSystem.h"

#include <cerrno>
#include <cstdio>

namespace zarnet {

void CheckedConsole::fail(const char* operation, int errnum) {
    if (!failure_) failure_ = FileOpError(fromAscii(msg::kStdoutName), operation, errnum).describe();
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
