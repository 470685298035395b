// The console of a run: standard output (buffered, checked for write failures), standard
// error and line input for ASK. Tests put their own console in place of the real one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarnet {

class Console {
public:
    virtual ~Console() = default;
    virtual void writeOut(std::string_view utf8) = 0;
    virtual void flushOut() = 0;
    virtual void writeErr(std::string_view utf8) = 0;
    // One line of standard input read as text, without its line end ("\n" or "\r\n"); a
    // carriage return anywhere else is part of the line. Nothing at the end of input.
    virtual std::optional<std::string> readLine() = 0;
};

// The process's standard streams.
class StdConsole : public Console {
public:
    void writeOut(std::string_view utf8) override;
    void flushOut() override;
    void writeErr(std::string_view utf8) override;
    std::optional<std::string> readLine() override;
    // True once a write or flush of standard output failed.
    bool outFailed() const noexcept { return outFailed_; }

private:
    bool outFailed_ = false;
};

Console& console();
// Replaces the console (tests); returns the previous one.
Console* setConsole(Console* c);

// The name the program was invoked under, without its directory; set once at start-up
// and shown in the usage text and in the lines of runtime errors and of ASK's end of
// input. Like the console, it belongs to the process, not to a run.
void setProgramName(std::string invokedAs);
const std::string& programName();

} // namespace zarnet
