// tests/fuzz/fuzz_client_command_line.cpp: any bytes as the game client's command line. A line
// the parser accepts must read back as what it parsed; a line it refuses must get a usable reason.
#include "client/command_line.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

// The parsed line written back in the one form the launcher produces.
std::string Canonical(const ClientCommandLine& line)
{
    std::string s = "vexa.exe 1 ";
    s += line.patchHost;
    s += ' ';
    s += line.patchPath;
    s += ' ';
    s += line.tradeHost;
    s += ':' + std::to_string(line.tradePort);
    for (unsigned char count : line.counts)
        s += ' ' + std::to_string(count);
    for (int i = 0; i < line.endpointCount; ++i) {
        const ClientEndpoint& e = line.endpoints[i];
        for (int part = 0; part < 4; ++part)
            s += (part == 0 ? ' ' : '.') + std::to_string(e.address[part]);
        s += ' ' + std::to_string(e.port);
    }
    return s;
}

bool Terminated(const char* text, std::size_t size)
{
    return std::memchr(text, '\0', size) != nullptr;
}

void CheckAccepted(const char* text, std::size_t size, const ClientCommandLine& line)
{
    FUZZ_CHECK(Terminated(line.patchHost, sizeof line.patchHost));
    FUZZ_CHECK(Terminated(line.patchPath, sizeof line.patchPath));
    FUZZ_CHECK(Terminated(line.tradeHost, sizeof line.tradeHost));
    FUZZ_CHECK(line.tradePort >= 1 && line.tradePort <= 65535);
    int sum = 0;
    for (unsigned char count : line.counts) {
        FUZZ_CHECK(count == 1 || count == 2);
        sum += count;
    }
    FUZZ_CHECK(line.endpointCount == sum);
    for (int i = 0; i < line.endpointCount; ++i)
        FUZZ_CHECK(line.endpoints[i].port >= 1 && line.endpoints[i].port <= 65535);

    // Only the program token may be written another way (a path, quotes, other case); every
    // other token has exactly one valid spelling, so the rest of the line must come back as is.
    const std::string canonical = Canonical(line);
    const std::string input(text, size);
    static const char kProgram[] = "vexa.exe";
    const std::size_t programLength = sizeof kProgram - 1;
    if (input.compare(0, programLength + 1, "vexa.exe ") == 0) {
        FUZZ_CHECK(input == canonical);
    } else {
        const std::size_t tail = canonical.size() - programLength;
        FUZZ_CHECK(input.size() > tail);
        FUZZ_CHECK(input.compare(input.size() - tail, tail, canonical, programLength, tail) == 0);
    }
}

void CheckRejected(const char* text, std::size_t size, const ClientCommandLineError& error)
{
    const char* end = static_cast<const char*>(std::memchr(error.reason, '\0', sizeof error.reason));
    FUZZ_CHECK(end != nullptr);
    FUZZ_CHECK(end != error.reason);
    for (const char* c = error.reason; c != end; ++c)
        FUZZ_CHECK(*c >= 0x20 && *c < 0x7F);
    // A token number must name a token the line has (one more than its spaces at most).
    const long tokens = 1 + std::count(text, text + size, ' ');
    FUZZ_CHECK(error.token >= 0 && error.token <= tokens);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exactly-sized heap copy: one byte read past the end is an ASan report.
    std::unique_ptr<char[]> text(new char[size]);
    std::memcpy(text.get(), data, size);

    // Junk in both results, so that a field the parser forgets to write shows up.
    ClientCommandLine line;
    ClientCommandLineError error;
    std::memset(&line, 0xA5, sizeof line);
    std::memset(&error, 0xA5, sizeof error);

    if (ParseClientCommandLine(text.get(), size, &line, &error))
        CheckAccepted(text.get(), size, line);
    else
        CheckRejected(text.get(), size, error);
    return 0;
}
