// tests/region_table_test.cpp: the region table's texts and command lines, and the lookup.
//
// Expected GBK bytes are written out as hex here, independently of the compiler's conversion
// of the table's UTF-8 source. Command lines are checked by parsing them against the format's
// rules and the shape each row must have, not by repeating the table.
#include "client/command_line.h"
#include "region/region_table.h"

#include "tests/support/hex.h"

#include <gtest/gtest.h>

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

std::string AddressText(const ClientEndpoint& e)
{
    return std::to_string(e.address[0]) + "." + std::to_string(e.address[1]) + "." +
           std::to_string(e.address[2]) + "." + std::to_string(e.address[3]);
}

// A command line parsed by the stand-in client's own parser, so that the table is held to exactly
// the format the client reads; the values the format leaves open but the table fixes are checked
// here.
::testing::AssertionResult Parse(const std::string& line, ClientCommandLine* out)
{
    ClientCommandLineError error;
    if (!ParseClientCommandLine(line.data(), line.size(), out, &error))
        return ::testing::AssertionFailure() << "token " << error.token << ": " << error.reason;
    if (!StartsWith(line, "vexa.exe "))
        return ::testing::AssertionFailure() << "the client is not named as plain vexa.exe";
    if (out->tradePort != 15000)
        return ::testing::AssertionFailure() << "trade port " << out->tradePort;
    return ::testing::AssertionSuccess();
}

// Checks the counts and pairs against a named endpoint shape.
::testing::AssertionResult HasShape(const ClientCommandLine& p, const std::string& shape)
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
    if (std::vector<int>(p.counts, p.counts + kClientCountSlots) != counts)
        return ::testing::AssertionFailure() << "counts do not match " << shape;
    std::vector<std::pair<std::string, unsigned>> q;
    std::set<std::string> addresses;
    for (int i = 0; i < p.endpointCount; ++i) {
        q.emplace_back(AddressText(p.endpoints[i]), p.endpoints[i].port);
        addresses.insert(q.back().first);
    }
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
        ClientCommandLine p;
        ASSERT_TRUE(Parse(line, &p)) << line;
        EXPECT_TRUE(HasShape(p, kExpected[i].shape)) << line;
        patchHosts[i] = p.patchHost;
        EXPECT_TRUE(tradeHosts.insert(p.tradeHost).second) << "trade host shared: " << p.tradeHost;
        std::set<std::string> own;
        for (int k = 0; k < p.endpointCount; ++k)
            own.insert(AddressText(p.endpoints[k]));
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
