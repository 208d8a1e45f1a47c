// tests/region_table_test.cpp: the region table's texts and command lines, and the lookup.
//
// Expected GBK bytes are written out as hex here, independently of the compiler's conversion
// of the table's UTF-8 source. Command lines are checked by taking them apart by the format's
// rules and against the shape each row must have, not by repeating the table.
#include "region/region_table.h"

#include "tests/support/hex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

enum class Form { Recommended, Zone, Plain };

struct ExpectedRow {
    Form form;
    const char* place;  // province or zone text, GBK
    const char* shape;
    char patchGroup;
};

const char kRecommendedTag[] = "\x5b\xcd\xc6\xbc\xf6\x5d";  // [推荐]

const ExpectedRow kExpected[kRegionCount] = {
    {Form::Recommended, "\xba\xd3\xc4\xcf", "S5", 'A'},            // 河南
    {Form::Recommended, "\xd5\xe3\xbd\xad", "S5", 'B'},            // 浙江
    {Form::Recommended, "\xc9\xc2\xce\xf7", "S5", 'C'},            // 陕西
    {Form::Recommended, "\xcb\xc4\xb4\xa8", "S5", 'D'},            // 四川
    {Form::Zone, "\xbb\xaa\xb6\xab" "1\xc7\xf8", "S16", 'E'},      // 华东1区
    {Form::Zone, "\xbb\xaa\xb6\xab" "2\xc7\xf8", "S8", 'E'},       // 华东2区
    {Form::Zone, "\xbb\xaa\xc4\xcf" "1\xc7\xf8", "S16", 'F'},      // 华南1区
    {Form::Zone, "\xbb\xaa\xc4\xcf" "2\xc7\xf8", "S8", 'F'},       // 华南2区
    {Form::Zone, "\xbb\xaa\xb1\xb1" "1\xc7\xf8", "S16", 'A'},      // 华北1区
    {Form::Zone, "\xbb\xaa\xb1\xb1" "2\xc7\xf8", "S8", 'A'},       // 华北2区
    {Form::Zone, "\xce\xf7\xc4\xcf" "1\xc7\xf8", "S16", 'G'},      // 西南1区
    {Form::Plain, "\xbd\xad\xcb\xd5", "S5", 'E'},                  // 江苏
    {Form::Plain, "\xc9\xcf\xba\xa3", "S5", 'E'},                  // 上海
    {Form::Plain, "\xb9\xe3\xb6\xab", "S10", 'H'},                 // 广东
    {Form::Plain, "\xd5\xe3\xbd\xad", "S5", 'B'},                  // 浙江
    {Form::Plain, "\xba\xda\xc1\xfa\xbd\xad", "S10", 'I'},         // 黑龙江
    {Form::Plain, "\xd6\xd8\xc7\xec", "S5", 'G'},                  // 重庆
    {Form::Plain, "\xc9\xbd\xb6\xab", "S5", 'J'},                  // 山东
    {Form::Plain, "\xb8\xa3\xbd\xa8", "S5", 'F'},                  // 福建
};

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// "(" operator ")" with a short, non-empty operator name free of ASCII punctuation.
bool IsOperatorPart(const std::string& s)
{
    if (s.size() < 3 || s.front() != '(' || s.back() != ')')
        return false;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
        const unsigned char c = s[i];
        if (c < 0x80 && !std::isalnum(c))
            return false;
    }
    return true;
}

// The command line, token by token, one ASCII space between tokens and none around them:
//   vexa.exe 1 <patch host> quenz/patch <trade host>:15000 c1 .. c8 {<IPv4> <port>} x (c1+..+c8)
// Every count is 1 or 2. This is the format the game client reads; the table is held to it here.
struct CommandLine {
    std::string patchHost;
    std::string tradeHost;
    std::vector<int> counts;
    std::vector<std::pair<std::string, unsigned>> pairs;  // address, port
};

bool IsDigits(const std::string& s)
{
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Decimal without sign or leading zero, from lo to hi.
bool IsNumber(const std::string& s, unsigned lo, unsigned hi, unsigned* value = nullptr)
{
    if (!IsDigits(s) || s.size() > 5 || (s[0] == '0' && s.size() > 1))
        return false;
    const unsigned v = static_cast<unsigned>(std::stoul(s));
    if (value != nullptr)
        *value = v;
    return v >= lo && v <= hi;
}

std::vector<std::string> Split(const std::string& s, char at)
{
    std::vector<std::string> parts(1);
    for (char c : s) {
        if (c == at)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

bool IsIpv4(const std::string& s)
{
    const std::vector<std::string> parts = Split(s, '.');
    return parts.size() == 4 && std::all_of(parts.begin(), parts.end(), [](const std::string& p) {
               return IsNumber(p, 0, 255);
           });
}

// A DNS name (labels of letters, digits and inner hyphens) or a whole IPv4 address.
bool IsHostName(const std::string& s)
{
    if (s.empty() || s.size() > 253)
        return false;
    const std::vector<std::string> labels = Split(s, '.');
    for (const std::string& label : labels) {
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (unsigned char c : label)
            if (!std::isalnum(c) && c != '-')
                return false;
    }
    return !IsDigits(labels.back()) || IsIpv4(s);
}

::testing::AssertionResult Parse(const std::string& line, CommandLine* out)
{
    const std::vector<std::string> t = Split(line, ' ');
    auto bad = [&](std::size_t i, const char* why) {
        return ::testing::AssertionFailure()
               << "token " << i + 1 << " \"" << (i < t.size() ? t[i] : "") << "\": " << why;
    };
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i].empty())
            return bad(i, "empty: a space at either end or two in a row");
    if (t.size() < 13)
        return ::testing::AssertionFailure() << t.size() << " tokens, fewer than the fixed 13";
    if (t[0] != "vexa.exe")
        return bad(0, "the client is not named as plain vexa.exe");
    if (t[1] != "1")
        return bad(1, "not \"1\"");
    if (!IsHostName(t[2]))
        return bad(2, "not a host name");
    if (t[3] != "quenz/patch")
        return bad(3, "not quenz/patch");
    const std::size_t colon = t[4].find(':');
    if (colon == std::string::npos || !IsHostName(t[4].substr(0, colon)) ||
        t[4].substr(colon) != ":15000")
        return bad(4, "not a host name and :15000");
    out->patchHost = t[2];
    out->tradeHost = t[4].substr(0, colon);
    out->counts.clear();
    out->pairs.clear();
    std::size_t pairCount = 0;
    for (std::size_t i = 5; i < 13; ++i) {
        if (t[i] != "1" && t[i] != "2")
            return bad(i, "a count is 1 or 2");
        out->counts.push_back(t[i][0] - '0');
        pairCount += out->counts.back();
    }
    if (t.size() != 13 + 2 * pairCount)
        return ::testing::AssertionFailure() << t.size() << " tokens where the counts ask for "
                                             << 13 + 2 * pairCount;
    for (std::size_t i = 13; i < t.size(); i += 2) {
        unsigned port = 0;
        if (!IsIpv4(t[i]))
            return bad(i, "not an IPv4 address");
        if (!IsNumber(t[i + 1], 1, 65535, &port))
            return bad(i + 1, "not a port");
        out->pairs.emplace_back(t[i], port);
    }
    return ::testing::AssertionSuccess();
}

// Checks the counts and pairs against a named endpoint shape.
::testing::AssertionResult HasShape(const CommandLine& p, const std::string& shape)
{
    std::vector<int> counts;
    std::size_t distinct = 0;
    if (shape == "S5" || shape == "S8") {
        counts.assign(8, 1);
        distinct = shape == "S5" ? 5 : 8;
    } else if (shape == "S10") {
        counts = {2, 2, 1, 1, 1, 1, 1, 1};
        distinct = 10;
    } else {
        counts.assign(8, 2);
        distinct = 16;
    }
    if (p.counts != counts)
        return ::testing::AssertionFailure() << "counts do not match " << shape;
    const auto& q = p.pairs;
    std::set<std::string> addresses;
    for (const auto& pair : q)
        addresses.insert(pair.first);
    if (addresses.size() != distinct)
        return ::testing::AssertionFailure() << addresses.size() << " distinct addresses for " << shape;
    if (shape == "S5") {
        // A1..A5 on 15010, then A4 and A5 on 15011, then A5 on 15012.
        const unsigned ports[8] = {15010, 15010, 15010, 15010, 15010, 15011, 15011, 15012};
        for (int i = 0; i < 8; ++i)
            if (q[i].second != ports[i])
                return ::testing::AssertionFailure() << "S5 pair " << i + 1 << " has port " << q[i].second;
        if (q[5].first != q[3].first || q[6].first != q[4].first || q[7].first != q[4].first)
            return ::testing::AssertionFailure() << "S5 pairs 6 to 8 are not on A4, A5, A5";
    } else {
        for (const auto& pair : q)
            if (pair.second != 15010)
                return ::testing::AssertionFailure() << shape << " pair with port " << pair.second;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(RegionTable, LabelsHaveTheirFormsInGbk)
{
    for (std::size_t i = 0; i < kRegionCount; ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        const std::string label = g_regionTable[i].label;
        const ExpectedRow& e = kExpected[i];
        switch (e.form) {
        case Form::Zone:
            EXPECT_EQ(test::Hex(label), test::Hex(e.place));
            break;
        case Form::Recommended:
            ASSERT_TRUE(StartsWith(label, e.place)) << test::Hex(label);
            ASSERT_TRUE(EndsWith(label, kRecommendedTag)) << test::Hex(label);
            EXPECT_TRUE(IsOperatorPart(label.substr(
                std::strlen(e.place), label.size() - std::strlen(e.place) - std::strlen(kRecommendedTag))))
                << test::Hex(label);
            break;
        case Form::Plain:
            ASSERT_TRUE(StartsWith(label, e.place)) << test::Hex(label);
            EXPECT_TRUE(IsOperatorPart(label.substr(std::strlen(e.place)))) << test::Hex(label);
            break;
        }
    }
    // The same province twice: the labels must still differ in more than the tag.
    const std::string row2 = g_regionTable[1].label, row15 = g_regionTable[14].label;
    EXPECT_NE(row2.substr(0, row2.size() - std::strlen(kRecommendedTag)), row15);
}

TEST(RegionTable, CommandLinesFollowTheFormatAndTheirRowShape)
{
    std::set<std::string> tradeHosts, allAddresses;
    std::vector<std::string> patchHosts(kRegionCount);
    for (std::size_t i = 0; i < kRegionCount; ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        const std::string line = g_regionTable[i].commandLine;
        CommandLine p;
        ASSERT_TRUE(Parse(line, &p)) << line;
        EXPECT_TRUE(HasShape(p, kExpected[i].shape)) << line;
        patchHosts[i] = p.patchHost;
        EXPECT_TRUE(tradeHosts.insert(p.tradeHost).second) << "trade host shared: " << p.tradeHost;
        std::set<std::string> own;
        for (const auto& pair : p.pairs)
            own.insert(pair.first);
        for (const std::string& a : own)
            EXPECT_TRUE(allAddresses.insert(a).second) << "address in two rows: " << a;
    }
    // Same patch host exactly when the same group.
    std::set<std::string> distinctPatchHosts(patchHosts.begin(), patchHosts.end());
    EXPECT_EQ(distinctPatchHosts.size(), 10u);
    for (std::size_t i = 0; i < kRegionCount; ++i)
        for (std::size_t j = i + 1; j < kRegionCount; ++j)
            EXPECT_EQ(patchHosts[i] == patchHosts[j], kExpected[i].patchGroup == kExpected[j].patchGroup)
                << "rows " << i + 1 << " and " << j + 1;
}

TEST(FindRegionCommandLine, EveryLabelFindsItsOwnRowUnchanged)
{
    for (std::size_t i = 0; i < kRegionCount; ++i) {
        // A copy, so that the lookup has to compare bytes rather than pointers.
        const std::string label = g_regionTable[i].label;
        const char* found = FindRegionCommandLine(label.c_str());
        ASSERT_NE(found, nullptr) << "row " << i + 1;
        EXPECT_EQ(found, g_regionTable[i].commandLine) << "row " << i + 1;
    }
}

TEST(FindRegionCommandLine, NearMissesFindNothing)
{
    EXPECT_EQ(FindRegionCommandLine(""), nullptr);
    EXPECT_EQ(FindRegionCommandLine(nullptr), nullptr);
    for (std::size_t i = 0; i < kRegionCount; ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 1));
        const std::string label = g_regionTable[i].label;
        EXPECT_EQ(FindRegionCommandLine((label + " ").c_str()), nullptr);
        EXPECT_EQ(FindRegionCommandLine((" " + label).c_str()), nullptr);
        EXPECT_EQ(FindRegionCommandLine(label.substr(0, label.size() - 1).c_str()), nullptr);
        // Full-width parentheses instead of the ASCII ones.
        std::string fullWidth;
        for (char c : label) {
            if (c == '(')
                fullWidth += "\xa3\xa8";
            else if (c == ')')
                fullWidth += "\xa3\xa9";
            else
                fullWidth += c;
        }
        if (fullWidth != label) {
            EXPECT_EQ(FindRegionCommandLine(fullWidth.c_str()), nullptr);
        }
    }
    // Zone labels with the zone digit in another form.
    EXPECT_EQ(FindRegionCommandLine("\xbb\xaa\xb6\xab" "3\xc7\xf8"), nullptr);             // 华东3区
    EXPECT_EQ(FindRegionCommandLine("\xbb\xaa\xb6\xab" "\xa3\xb1\xc7\xf8"), nullptr);      // 华东１区
}
