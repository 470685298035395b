#include "Console.h"

#include <cstdio>

namespace zarnet {

void StdConsole::writeOut(std::string_view utf8) {
    if (utf8.empty()) return;
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size()) outFailed_ = true;
}

void StdConsole::flushOut() {
    if (std::fflush(stdout) != 0) outFailed_ = true;
}

void StdConsole::writeErr(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fflush(stderr);
}

std::optional<std::string> StdConsole::readLine() {
    std::string line;
    int c;
    bool any = false;
    while ((c = std::getc(stdin)) != EOF) {
        any = true;
        if (c == '\n') {
            // Text mode: the carriage return of a "\r\n" line end goes with the line feed.
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        line.push_back(static_cast<char>(c));
    }
    if (!any) return std::nullopt;
    return line;
}

namespace {
StdConsole& stdConsole() {
    static StdConsole c;
    return c;
}
Console* current = nullptr;
} // namespace

Console& console() { return current ? *current : stdConsole(); }

Console* setConsole(Console* c) {
    Console* old = current ? current : &stdConsole();
    current = c;
    return old;
}

namespace {
std::string& programNameStore() {
    static std::string name = "zarnet";
    return name;
}
} // namespace

void setProgramName(std::string invokedAs) {
    std::size_t k = invokedAs.find_last_of("/\\");
    programNameStore() = k == std::string::npos ? std::move(invokedAs) : invokedAs.substr(k + 1);
}

const std::string& programName() { return programNameStore(); }

} // namespace zarnet
