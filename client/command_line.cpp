// client/command_line.cpp: the strict parser of the game client's command line.
#include "client/command_line.h"

#include <cstdio>
#include <cstring>

namespace {

// A piece of the caller's bytes: never terminated, never written.
struct Text {
    const char* p;
    std::size_t n;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Equals(Text t, const char* s)
{
    return std::strlen(s) == t.n && std::memcmp(t.p, s, t.n) == 0;
}

bool EqualsNoCase(Text t, const char* s)
{
    if (std::strlen(s) != t.n)
        return false;
    for (std::size_t i = 0; i < t.n; ++i)
        if (Lower(t.p[i]) != s[i])
            return false;
    return true;
}

// Decimal without sign or leading zero, at most `maxValue`; "0" only when minValue is 0.
bool ParseDecimal(Text t, unsigned minValue, unsigned maxValue, unsigned* value)
{
    if (t.n == 0 || t.n > 5 || (t.p[0] == '0' && t.n > 1))
        return false;
    unsigned v = 0;
    for (std::size_t i = 0; i < t.n; ++i) {
        if (!IsDigit(t.p[i]))
            return false;
        v = v * 10 + static_cast<unsigned>(t.p[i] - '0');
    }
    if (v < minValue || v > maxValue)
        return false;
    *value = v;
    return true;
}

bool ParsePort(Text t, unsigned* port) { return ParseDecimal(t, 1, 65535, port); }

bool ParseIpv4(Text t, unsigned char address[4])
{
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        std::size_t end = start;
        while (end < t.n && t.p[end] != '.')
            ++end;
        // Three dots exactly: parts 0..2 end at a dot, part 3 at the end of the token.
        if ((part < 3) != (end < t.n))
            return false;
        unsigned octet = 0;
        if (!ParseDecimal(Text{t.p + start, end - start}, 0, 255, &octet))
            return false;
        address[part] = static_cast<unsigned char>(octet);
        start = end + 1;
    }
    return true;
}

// Returns why `t` is not a host name, or nullptr when it is one.
const char* CheckHostName(Text t)
{
    if (t.n == 0)
        return "the host name is empty";
    if (t.n > kClientHostMax)
        return "a host name has at most 253 characters";
    std::size_t start = 0;
    bool lastLabelNumeric = false;
    while (start <= t.n) {
        std::size_t end = start;
        bool numeric = true;
        while (end < t.n && t.p[end] != '.') {
            const char c = t.p[end];
            const bool letter = Lower(c) >= 'a' && Lower(c) <= 'z';
            if (!letter && !IsDigit(c) && c != '-')
                return "a host name has only letters, digits, hyphens and dots";
            numeric = numeric && IsDigit(c);
            ++end;
        }
        const std::size_t labelLength = end - start;
        if (labelLength == 0)
            return "a host name has no empty label (no dot at either end, no two dots in a row)";
        if (labelLength > 63)
            return "a host name label has at most 63 characters";
        if (t.p[start] == '-' || t.p[end - 1] == '-')
            return "a host name label neither starts nor ends with a hyphen";
        lastLabelNumeric = numeric;
        start = end + 1;
    }
    // A name ending in digits reads as an address: then it must be a whole, valid one.
    unsigned char address[4];
    if (lastLabelNumeric && !ParseIpv4(t, address))
        return "a host name ending in a numeric label must be a whole IPv4 address";
    return nullptr;
}

bool IsClientProgram(Text t)
{
    std::size_t base = t.n;
    while (base > 0 && t.p[base - 1] != '\\' && t.p[base - 1] != '/')
        --base;
    const Text name{t.p + base, t.n - base};
    return EqualsNoCase(name, "vexa.exe") || EqualsNoCase(name, "vexa");
}

void CopyText(Text t, char* out)
{
    std::memcpy(out, t.p, t.n);
    out[t.n] = '\0';
}

// What the token at a 1-based position stands for, for messages.
void DescribeToken(int index, char* out, std::size_t outSize)
{
    static const char* const kFixed[] = {"program", "constant", "patch host", "patch path",
                                         "trade endpoint"};
    if (index >= 1 && index <= 5)
        std::snprintf(out, outSize, "%s", kFixed[index - 1]);
    else if (index <= kClientFixedTokens)
        std::snprintf(out, outSize, "count c%d", index - 5);
    else
        std::snprintf(out, outSize, "%s of pair %d",
                      (index - kClientFixedTokens) % 2 == 1 ? "address" : "port",
                      (index - kClientFixedTokens + 1) / 2);
}

// Quotes a token for a message: printable ASCII as is, anything else as \xNN, long tokens cut.
void QuoteToken(Text t, char* out, std::size_t outSize)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::size_t o = 0;
    out[o++] = '"';
    std::size_t i = 0;
    for (; i < t.n; ++i) {
        const unsigned char c = static_cast<unsigned char>(t.p[i]);
        const bool plain = c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
        if (o + (plain ? 1 : 4) + 5 > outSize)
            break;
        if (plain) {
            out[o++] = static_cast<char>(c);
        } else {
            out[o++] = '\\';
            out[o++] = 'x';
            out[o++] = kHex[c >> 4];
            out[o++] = kHex[c & 15];
        }
    }
    if (i < t.n) {
        out[o++] = '.';
        out[o++] = '.';
        out[o++] = '.';
    }
    out[o++] = '"';
    out[o] = '\0';
}

bool Reject(ClientCommandLineError* error, int index, Text t, const char* why)
{
    char role[32];
    DescribeToken(index, role, sizeof role);
    if (t.n == 0) {
        std::snprintf(error->reason, sizeof error->reason, "token %d (%s) is empty: %s", index,
                      role, why);
    } else {
        char quoted[64];
        QuoteToken(t, quoted, sizeof quoted);
        std::snprintf(error->reason, sizeof error->reason, "token %d (%s) is %s: %s", index,
                      role, quoted, why);
    }
    error->token = index;
    return false;
}

bool CheckToken(int index, Text t, ClientCommandLine* line, ClientCommandLineError* error)
{
    if (index == 2) {
        if (!Equals(t, "1"))
            return Reject(error, index, t, "it must be \"1\"");
    } else if (index == 3) {
        if (const char* why = CheckHostName(t))
            return Reject(error, index, t, why);
        CopyText(t, line->patchHost);
    } else if (index == 4) {
        if (!Equals(t, "quenz/patch"))
            return Reject(error, index, t, "it must be \"quenz/patch\"");
        CopyText(t, line->patchPath);
    } else if (index == 5) {
        const void* colon = std::memchr(t.p, ':', t.n);
        if (colon == nullptr)
            return Reject(error, index, t, "expected host name, ':' and port");
        const Text host{t.p, static_cast<std::size_t>(static_cast<const char*>(colon) - t.p)};
        const Text port{host.p + host.n + 1, t.n - host.n - 1};
        if (const char* why = CheckHostName(host)) {
            char what[160];
            std::snprintf(what, sizeof what, "before ':', %s", why);
            return Reject(error, index, t, what);
        }
        if (!ParsePort(port, &line->tradePort))
            return Reject(error, index, t,
                          "after ':' must come a port from 1 to 65535, without leading zeros");
        CopyText(host, line->tradeHost);
    } else if (index <= kClientFixedTokens) {
        if (!Equals(t, "1") && !Equals(t, "2"))
            return Reject(error, index, t, "a count must be 1 or 2");
        const unsigned char count = static_cast<unsigned char>(t.p[0] - '0');
        line->counts[index - 6] = count;
        line->endpointCount += count;
    } else {
        ClientEndpoint& pair = line->endpoints[(index - kClientFixedTokens - 1) / 2];
        if ((index - kClientFixedTokens) % 2 == 1) {
            if (!ParseIpv4(t, pair.address))
                return Reject(error, index, t,
                              "an address is four decimal numbers from 0 to 255 joined by dots, "
                              "without leading zeros");
        } else if (!ParsePort(t, &pair.port)) {
            return Reject(error, index, t,
                          "a port is a decimal number from 1 to 65535, without leading zeros");
        }
    }
    return true;
}

}  // namespace

bool ParseClientCommandLine(const char* text, std::size_t length, ClientCommandLine* line,
                            ClientCommandLineError* error)
{
    std::memset(line, 0, sizeof *line);
    error->token = 0;
    error->reason[0] = '\0';
    if (length == 0) {
        std::snprintf(error->reason, sizeof error->reason, "the command line is empty");
        return false;
    }

    // Token 1, the only one that may be quoted and the only one that may hold a space.
    Text program{text, 0};
    std::size_t pos = 0;
    if (text[0] == '"') {
        const void* close = std::memchr(text + 1, '"', length - 1);
        if (close == nullptr)
            return Reject(error, 1, Text{text, length}, "the opening double quote never closes");
        program = Text{text + 1, static_cast<std::size_t>(static_cast<const char*>(close) - text - 1)};
        pos = program.n + 2;
        if (pos < length && text[pos] != ' ')
            return Reject(error, 1, Text{text, pos + 1},
                          "the closing double quote must be followed by a space");
    } else {
        while (pos < length && text[pos] != ' ')
            ++pos;
        program.n = pos;
    }
    if (program.n == 0)
        return Reject(error, 1, program,
                      text[0] == ' ' ? "the line starts with a space" : "no program named");
    if (!IsClientProgram(program))
        return Reject(error, 1, program, "expected vexa.exe, or a path ending in it");

    // Here `pos` is at the space before the next token, or at the end of the line.
    int index = 1;
    int expected = kClientFixedTokens;  // grows once the counts are known
    while (pos < length) {
        ++pos;
        ++index;
        std::size_t end = pos;
        while (end < length && text[end] != ' ')
            ++end;
        const Text token{text + pos, end - pos};
        if (token.n == 0)
            return Reject(error, index, token,
                          end == length ? "the line ends with a space" : "two spaces in a row");
        if (index > expected) {
            std::snprintf(error->reason, sizeof error->reason,
                          "token %d is one too many: the counts add up to %d pairs, so the line "
                          "ends after token %d",
                          index, line->endpointCount, expected);
            error->token = index;
            return false;
        }
        if (!CheckToken(index, token, line, error))
            return false;
        if (index == kClientFixedTokens)
            expected = kClientFixedTokens + 2 * line->endpointCount;
        pos = end;
    }
    if (index < kClientFixedTokens) {
        std::snprintf(error->reason, sizeof error->reason,
                      "the line ends after token %d: it needs the program, \"1\", the patch host "
                      "and path, the trade endpoint and eight counts (13 tokens) before the pairs",
                      index);
        return false;
    }
    if (index < expected) {
        std::snprintf(error->reason, sizeof error->reason,
                      "the line ends after token %d: the counts add up to %d pairs, so it needs "
                      "%d tokens (%d more)",
                      index, line->endpointCount, expected, expected - index);
        return false;
    }
    return true;
}
