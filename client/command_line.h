// client/command_line.h: the strict parser of the command line the launcher hands the game client.
#ifndef VELTO_CLIENT_COMMAND_LINE_H
#define VELTO_CLIENT_COMMAND_LINE_H

#include <cstddef>

// The line, token by token, one ASCII space between tokens and none around them:
//   vexa.exe 1 <patch host> quenz/patch <trade host>:<port> c1 .. c8 {<IPv4> <port>} x (c1+..+c8)
// Every count is 1 or 2. The first token may also be a path to vexa.exe, in double quotes or not,
// since a person may start the client from a shell; the launcher itself passes "vexa.exe".

constexpr std::size_t kClientHostMax = 253;  // longest DNS name in text form, without a final dot
constexpr int kClientCountSlots = 8;
constexpr int kClientEndpointMax = 2 * kClientCountSlots;
constexpr int kClientFixedTokens = 13;  // program, "1", patch host and path, trade, eight counts

struct ClientEndpoint {
    unsigned char address[4];  // in the order written: 192.0.2.1 is {192, 0, 2, 1}
    unsigned port;             // 1..65535
};

struct ClientCommandLine {
    char patchHost[kClientHostMax + 1];
    char patchPath[16];
    char tradeHost[kClientHostMax + 1];
    unsigned tradePort;
    unsigned char counts[kClientCountSlots];
    int endpointCount;  // c1+..+c8, which is also the number of filled entries below
    ClientEndpoint endpoints[kClientEndpointMax];
};

struct ClientCommandLineError {
    int token;          // 1-based token the reason is about; 0 when it is about the line as a whole
    char reason[240];   // one line of ASCII English naming the token and what is wrong with it
};

// Parses `length` bytes at `text`; the bytes need no terminator and any byte value may occur.
// Returns true and fills *line when the whole line is valid. Otherwise returns false, fills *error
// and leaves *line in an unspecified state. Allocates nothing and reads nothing past `length`.
bool ParseClientCommandLine(const char* text, std::size_t length, ClientCommandLine* line,
                            ClientCommandLineError* error);

#endif  // VELTO_CLIENT_COMMAND_LINE_H
