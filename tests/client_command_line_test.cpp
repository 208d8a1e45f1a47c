// tests/client_command_line_test.cpp: the stand-in client's parser on the three endpoint shapes and
// on malformed lines; on Windows also the built vexa.exe in recording mode.
#include "client/command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "client/contract.h"
#include "tests/support/files.h"
#endif

namespace {

const char kHead[] = "vexa.exe 1 patch-a.velto.example quenz/patch trade-01.velto.example:15000 ";

const std::string kS5 = std::string(kHead) +
    "1 1 1 1 1 1 1 1 192.0.2.1 15010 192.0.2.2 15010 192.0.2.3 15010 192.0.2.4 15010 "
    "192.0.2.5 15010 192.0.2.4 15011 192.0.2.5 15011 192.0.2.5 15012";
const std::string kS10 = std::string(kHead) +
    "2 2 1 1 1 1 1 1 198.51.100.1 15010 198.51.100.2 15010 198.51.100.3 15010 "
    "198.51.100.4 15010 198.51.100.5 15010 198.51.100.6 15010 198.51.100.7 15010 "
    "198.51.100.8 15010 198.51.100.9 15010 198.51.100.10 15010";
const std::string kS16 = std::string(kHead) +
    "2 2 2 2 2 2 2 2 203.0.113.1 15010 203.0.113.2 15010 203.0.113.3 15010 203.0.113.4 15010 "
    "203.0.113.5 15010 203.0.113.6 15010 203.0.113.7 15010 203.0.113.8 15010 "
    "203.0.113.9 15010 203.0.113.10 15010 203.0.113.11 15010 203.0.113.12 15010 "
    "203.0.113.13 15010 203.0.113.14 15010 203.0.113.15 15010 203.0.113.16 15010";

struct Parsed {
    bool ok;
    ClientCommandLine line;
    ClientCommandLineError error;
};

// The parser gets a heap copy of exactly the line's size, so that the sanitizers see any read
// past the end.
Parsed Parse(const std::string& text)
{
    std::vector<char> bytes(text.begin(), text.end());
    Parsed p;
    p.ok = ParseClientCommandLine(bytes.data(), bytes.size(), &p.line, &p.error);
    return p;
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> tokens(1);
    for (char c : line) {
        if (c == ' ')
            tokens.emplace_back();
        else
            tokens.back() += c;
    }
    return tokens;
}

std::string Join(const std::vector<std::string>& tokens)
{
    std::string line;
    for (const std::string& t : tokens)
        line += (line.empty() ? "" : " ") + t;
    return line;
}

// `line` with its 1-based token `index` replaced.
std::string WithToken(const std::string& line, int index, const std::string& value)
{
    std::vector<std::string> tokens = Split(line);
    tokens.at(index - 1) = value;
    return Join(tokens);
}

std::string Endpoint(const ClientEndpoint& e)
{
    return std::to_string(e.address[0]) + "." + std::to_string(e.address[1]) + "." +
           std::to_string(e.address[2]) + "." + std::to_string(e.address[3]) + ":" +
           std::to_string(e.port);
}

// Expects `line` rejected with a reason about token `index`.
void ExpectRejected(const std::string& line, int index)
{
    const Parsed p = Parse(line);
    EXPECT_FALSE(p.ok) << line;
    EXPECT_EQ(p.error.token, index) << line << "\n  reason: " << p.error.reason;
    if (index > 0) {
        const std::string named = "token " + std::to_string(index) + " ";
        EXPECT_EQ(std::string(p.error.reason).find(named), 0u) << p.error.reason;
    }
}

void ExpectAccepted(const std::string& line)
{
    const Parsed p = Parse(line);
    EXPECT_TRUE(p.ok) << line << "\n  reason: " << p.error.reason;
}

TEST(ClientCommandLine, AcceptsFivePairShape)
{
    const Parsed p = Parse(kS5);
    ASSERT_TRUE(p.ok) << p.error.reason;
    EXPECT_STREQ(p.line.patchHost, "patch-a.velto.example");
    EXPECT_STREQ(p.line.patchPath, "quenz/patch");
    EXPECT_STREQ(p.line.tradeHost, "trade-01.velto.example");
    EXPECT_EQ(p.line.tradePort, 15000u);
    for (int i = 0; i < kClientCountSlots; ++i)
        EXPECT_EQ(p.line.counts[i], 1) << "count " << i + 1;
    ASSERT_EQ(p.line.endpointCount, 8);
    EXPECT_EQ(Endpoint(p.line.endpoints[0]), "192.0.2.1:15010");
    EXPECT_EQ(Endpoint(p.line.endpoints[4]), "192.0.2.5:15010");
    EXPECT_EQ(Endpoint(p.line.endpoints[5]), "192.0.2.4:15011");
    EXPECT_EQ(Endpoint(p.line.endpoints[7]), "192.0.2.5:15012");
}

TEST(ClientCommandLine, AcceptsTenAndSixteenPairShapes)
{
    const Parsed ten = Parse(kS10);
    ASSERT_TRUE(ten.ok) << ten.error.reason;
    const unsigned char tenCounts[kClientCountSlots] = {2, 2, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(0, std::memcmp(ten.line.counts, tenCounts, sizeof tenCounts));
    ASSERT_EQ(ten.line.endpointCount, 10);
    EXPECT_EQ(Endpoint(ten.line.endpoints[9]), "198.51.100.10:15010");

    const Parsed sixteen = Parse(kS16);
    ASSERT_TRUE(sixteen.ok) << sixteen.error.reason;
    ASSERT_EQ(sixteen.line.endpointCount, 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Endpoint(sixteen.line.endpoints[i]),
                  "203.0.113." + std::to_string(i + 1) + ":15010");
}

TEST(ClientCommandLine, ReadsOnlyTheGivenLength)
{
    // The bytes after the length would make the line wrong if they were read.
    const std::string padded = kS5 + " 192.0.2.9 15010";
    const Parsed p = [&] {
        Parsed r;
        r.ok = ParseClientCommandLine(padded.data(), kS5.size(), &r.line, &r.error);
        return r;
    }();
    EXPECT_TRUE(p.ok) << p.error.reason;

    // Every cut that loses a whole token or more fails; cuts inside the last port may not.
    const std::size_t lastPort = kS5.rfind(' ') + 1;
    for (std::size_t n = 0; n <= lastPort; ++n)
        EXPECT_FALSE(Parse(kS5.substr(0, n)).ok) << "cut at " << n;
}

TEST(ClientCommandLine, RejectsWrongTokenCounts)
{
    const std::vector<std::string> t = Split(kS5);  // 29 tokens
    ExpectRejected(Join({t.begin(), t.end() - 2}), 0);  // one pair short
    ExpectRejected(Join({t.begin(), t.end() - 1}), 0);  // one port short
    ExpectRejected(kS5 + " 192.0.2.9", 30);
    ExpectRejected(kS5 + " 192.0.2.9 15010", 30);
    ExpectRejected(Join({t.begin(), t.begin() + 12}), 0);  // no eighth count
    ExpectRejected("vexa.exe", 0);
    ExpectRejected("", 0);
    // The counts, not the pairs present, decide the length: S10's pairs under S5's counts.
    ExpectRejected(WithToken(WithToken(kS10, 6, "1"), 7, "1"), 30);

    EXPECT_NE(std::string(Parse(Join({t.begin(), t.end() - 2})).error.reason).find("8 pairs"),
              std::string::npos);
}

TEST(ClientCommandLine, RejectsStraySpaces)
{
    ExpectRejected(WithToken(kS5, 3, "patch-a.velto.example "), 4);  // two spaces in a row
    ExpectRejected(kS5 + " ", 30);
    ExpectRejected(" " + kS5, 1);
    ExpectRejected(WithToken(kS5, 13, ""), 13);
    ExpectRejected(WithToken(kS5, 14, "\t192.0.2.1"), 14);
}

TEST(ClientCommandLine, RejectsBadCounts)
{
    for (const char* count : {"0", "3", "01", "-1", "+1", "11", "x", "1.0"})
        ExpectRejected(WithToken(kS5, 9, count), 9);
    ExpectRejected(WithToken(kS5, 2, "2"), 2);
    ExpectRejected(WithToken(kS5, 4, "quenz/patch/"), 4);
}

TEST(ClientCommandLine, ChecksAddresses)
{
    for (const char* bad : {"1.2.3", "256.1.1.1", "1.2.3.256", "01.2.3.4", "1.2.3.04",
                            "1.2.3.4.5", "1..2.3", "1.2.3.", ".1.2.3", "a.b.c.d", "+1.2.3.4",
                            "1.2.3.4:15010", "1000.1.1.1", "host.example"})
        ExpectRejected(WithToken(kS5, 20, bad), 20);
    for (const char* good : {"0.0.0.0", "255.255.255.255", "10.0.0.1"})
        ExpectAccepted(WithToken(kS5, 20, good));
}

TEST(ClientCommandLine, ChecksPorts)
{
    for (const char* bad : {"0", "65536", "99999", "100000", "015010", "-1", "1e3", "port"}) {
        ExpectRejected(WithToken(kS5, 29, bad), 29);
        ExpectRejected(WithToken(kS5, 5, std::string("trade-01.velto.example:") + bad), 5);
    }
    for (const char* good : {"1", "65535", "15011"}) {
        ExpectAccepted(WithToken(kS5, 29, good));
        ExpectAccepted(WithToken(kS5, 5, std::string("trade.example:") + good));
    }
    for (const char* bad : {"trade.example", "trade.example:", ":15000", "trade.example:1:2"})
        ExpectRejected(WithToken(kS5, 5, bad), 5);
}

TEST(ClientCommandLine, ChecksHostNames)
{
    const std::string label63(63, 'a');
    std::string name253 = label63 + "." + label63 + "." + label63 + "." + std::string(61, 'b');
    for (const std::string& bad :
         {std::string("patch_a.example"), std::string("-a.example"), std::string("a-.example"),
          std::string("a..example"), std::string(".example"), std::string("example."),
          label63 + "a.example", name253 + "b", std::string("1.2.3"),
          std::string("patch.example:80"), std::string("http://patch.example"),
          std::string("patch\xD6\xD0.example")})  // 中 in GBK
        ExpectRejected(WithToken(kS5, 3, bad), 3);
    for (const std::string& good : {std::string("localhost"), std::string("A-1.Example"),
                                    std::string("192.0.2.7"), label63 + ".example", name253})
        ExpectAccepted(WithToken(kS5, 3, good));
}

TEST(ClientCommandLine, AcceptsAProgramPathFromAShell)
{
    for (const char* program :
         {"VEXA.EXE", "vexa", "C:\\Games\\vexa.exe", "./vexa.exe",
          "\"C:\\Program Files\\Game\\vexa.exe\"", "\"vexa.exe\""})
        ExpectAccepted(WithToken(kS5, 1, program));
    for (const char* program : {"other.exe", "vexa.exe.bak", "C:\\vexa.exe\\x.exe", "\"\""})
        ExpectRejected(WithToken(kS5, 1, program), 1);
    // Only the first token may be quoted, and its quotes must pair up.
    ExpectRejected("\"C:\\Program Files\\vexa.exe " + kS5.substr(9), 1);
    ExpectRejected("\"vexa.exe\"1" + kS5.substr(8), 1);
    ExpectRejected(WithToken(kS5, 3, "\"patch-a.velto.example\""), 3);
}

TEST(ClientCommandLine, ReasonsQuoteTokensSafely)
{
    // Bytes that are not printable ASCII come back escaped, and a long token is cut.
    const Parsed odd = Parse(WithToken(kS5, 3, std::string("a\0\xD6\"", 4)));
    EXPECT_NE(std::string(odd.error.reason).find("is \"a\\x00\\xD6\\x22\":"), std::string::npos)
        << odd.error.reason;
    const Parsed longToken = Parse(WithToken(kS5, 16, std::string(5000, '9')));
    EXPECT_EQ(longToken.error.token, 16);
    EXPECT_NE(std::string(longToken.error.reason).find("...\""), std::string::npos)
        << longToken.error.reason;
}

#ifdef _WIN32

std::string ClientPath()
{
    return test::BinDir() + "\\vexa.exe";
}

// Starts the client in recording mode and collects what it wrote and how it ended.
void RunRecording(const std::string& commandLine, DWORD* exitCode, std::string* recorded)
{
    const std::string program = ClientPath();
    ASSERT_TRUE(test::FileExists(program)) << program;
    test::ScratchDir scratch;
    const std::string file = scratch.File("record.txt");

    std::vector<char> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    BOOL started;
    {
        const test::ScopedEnv record(client::kRecordVariable, file);
        started = CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, nullptr, &si, &pi);
    }
    ASSERT_TRUE(started) << "CreateProcess failed with " << GetLastError();

    // A client that ignored its record variable would sit in its window: do not wait for ever.
    const DWORD wait = WaitForSingleObject(pi.hProcess, 30000);
    if (wait != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    ASSERT_EQ(wait, WAIT_OBJECT_0) << "the client did not exit in recording mode";

    EXPECT_TRUE(test::ReadFileBytes(file, recorded)) << "no record";
}

#endif  // _WIN32

TEST(ClientProgram, RecordsItsCommandLineAndReportsTheVerdict)
{
#ifndef _WIN32
    GTEST_SKIP() << "vexa.exe exists only in the Windows build";
#else
    struct Case {
        std::string line;
        DWORD exitCode;
    };
    const Case cases[] = {
        {kS10, 0},
        {"\"" + ClientPath() + "\"" + kS16.substr(8), 0},
        {WithToken(kS5, 3, "patch-a.velto.example "), 2},
        // GBK bytes (中文) must reach the client as they were sent.
        {WithToken(kS5, 3, "\xD6\xD0\xCE\xC4.example"), 2},
    };
    for (const Case& c : cases) {
        DWORD exitCode = 0xFFFFFFFF;
        std::string recorded;
        ASSERT_NO_FATAL_FAILURE(RunRecording(c.line, &exitCode, &recorded));
        EXPECT_EQ(recorded, c.line);
        EXPECT_EQ(exitCode, c.exitCode) << c.line;
    }
#endif
}

}  // namespace
