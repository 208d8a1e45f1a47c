// region/region_table.cpp: the nineteen server regions. This file holds every deployment value of
// the launcher: the operator names in the labels, the patch and trade hosts and the game-server
// addresses. A deployer edits the PATCH_* hosts and the strings inside VELTO_ROW; the shapes
// (counts, ports, pair order) and the row order are fixed by the client's protocol.
//
// The values shipped here can never reach a real machine: hosts are under the reserved .example
// domain and addresses come from the documentation ranges 192.0.2.0/24, 198.51.100.0/24 and
// 203.0.113.0/24.
#include "region/region_table.h"

#include <cstring>

// Patch hosts: rows that name the same host share it.
#define PATCH_A "patch-a.velto.example"
#define PATCH_B "patch-b.velto.example"
#define PATCH_C "patch-c.velto.example"
#define PATCH_D "patch-d.velto.example"
#define PATCH_E "patch-e.velto.example"
#define PATCH_F "patch-f.velto.example"
#define PATCH_G "patch-g.velto.example"
#define PATCH_H "patch-h.velto.example"
#define PATCH_I "patch-i.velto.example"
#define PATCH_J "patch-j.velto.example"

// Command line: client, "1", patch host, patch path, trade endpoint, eight counts, then as many
// address-port pairs as the counts add up to. One space between tokens and none around them.
#define VELTO_ROW(patchHost, tradeHost, shape) \
    "vexa.exe 1 " patchHost " quenz/patch " tradeHost ":15000 " shape

// Endpoint shapes: the eight counts and their pairs, on the row's own addresses in order.
#define VELTO_P(a) a " 15010"
#define VELTO_S5(a1, a2, a3, a4, a5)                                              \
    "1 1 1 1 1 1 1 1 " VELTO_P(a1) " " VELTO_P(a2) " " VELTO_P(a3) " " VELTO_P(a4) \
    " " VELTO_P(a5) " " a4 " 15011 " a5 " 15011 " a5 " 15012"
#define VELTO_S8(a1, a2, a3, a4, a5, a6, a7, a8)                                  \
    "1 1 1 1 1 1 1 1 " VELTO_P(a1) " " VELTO_P(a2) " " VELTO_P(a3) " " VELTO_P(a4) \
    " " VELTO_P(a5) " " VELTO_P(a6) " " VELTO_P(a7) " " VELTO_P(a8)
#define VELTO_S10(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10)                        \
    "2 2 1 1 1 1 1 1 " VELTO_P(a1) " " VELTO_P(a2) " " VELTO_P(a3) " " VELTO_P(a4) \
    " " VELTO_P(a5) " " VELTO_P(a6) " " VELTO_P(a7) " " VELTO_P(a8) " "            \
    VELTO_P(a9) " " VELTO_P(a10)
#define VELTO_S16(a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, a16) \
    "2 2 2 2 2 2 2 2 " VELTO_P(a1) " " VELTO_P(a2) " " VELTO_P(a3) " " VELTO_P(a4)        \
    " " VELTO_P(a5) " " VELTO_P(a6) " " VELTO_P(a7) " " VELTO_P(a8) " "                   \
    VELTO_P(a9) " " VELTO_P(a10) " " VELTO_P(a11) " " VELTO_P(a12) " "                    \
    VELTO_P(a13) " " VELTO_P(a14) " " VELTO_P(a15) " " VELTO_P(a16)

// Labels are UTF-8 here and GBK in the program (the build compiles narrow literals to GBK).
// Parentheses and brackets are ASCII on purpose: the list gives back exactly these bytes.
extern constexpr RegionEntry g_regionTable[kRegionCount] = {
    /*  1 */ {"河南(星联)[推荐]",
        VELTO_ROW(PATCH_A, "trade-01.velto.example",
            VELTO_S5("192.0.2.1", "192.0.2.2", "192.0.2.3", "192.0.2.4",
                "192.0.2.5"))},
    /*  2 */ {"浙江(云通)[推荐]",
        VELTO_ROW(PATCH_B, "trade-02.velto.example",
            VELTO_S5("192.0.2.6", "192.0.2.7", "192.0.2.8", "192.0.2.9",
                "192.0.2.10"))},
    /*  3 */ {"陕西(星联)[推荐]",
        VELTO_ROW(PATCH_C, "trade-03.velto.example",
            VELTO_S5("192.0.2.11", "192.0.2.12", "192.0.2.13", "192.0.2.14",
                "192.0.2.15"))},
    /*  4 */ {"四川(云通)[推荐]",
        VELTO_ROW(PATCH_D, "trade-04.velto.example",
            VELTO_S5("192.0.2.16", "192.0.2.17", "192.0.2.18", "192.0.2.19",
                "192.0.2.20"))},
    /*  5 */ {"华东1区",
        VELTO_ROW(PATCH_E, "trade-05.velto.example",
            VELTO_S16("192.0.2.21", "192.0.2.22", "192.0.2.23", "192.0.2.24",
                "192.0.2.25", "192.0.2.26", "192.0.2.27", "192.0.2.28",
                "192.0.2.29", "192.0.2.30", "192.0.2.31", "192.0.2.32",
                "192.0.2.33", "192.0.2.34", "192.0.2.35", "192.0.2.36"))},
    /*  6 */ {"华东2区",
        VELTO_ROW(PATCH_E, "trade-06.velto.example",
            VELTO_S8("192.0.2.37", "192.0.2.38", "192.0.2.39", "192.0.2.40",
                "192.0.2.41", "192.0.2.42", "192.0.2.43", "192.0.2.44"))},
    /*  7 */ {"华南1区",
        VELTO_ROW(PATCH_F, "trade-07.velto.example",
            VELTO_S16("192.0.2.45", "192.0.2.46", "192.0.2.47", "192.0.2.48",
                "192.0.2.49", "192.0.2.50", "192.0.2.51", "192.0.2.52",
                "192.0.2.53", "192.0.2.54", "192.0.2.55", "192.0.2.56",
                "192.0.2.57", "192.0.2.58", "192.0.2.59", "192.0.2.60"))},
    /*  8 */ {"华南2区",
        VELTO_ROW(PATCH_F, "trade-08.velto.example",
            VELTO_S8("192.0.2.61", "192.0.2.62", "192.0.2.63", "192.0.2.64",
                "192.0.2.65", "192.0.2.66", "192.0.2.67", "192.0.2.68"))},
    /*  9 */ {"华北1区",
        VELTO_ROW(PATCH_A, "trade-09.velto.example",
            VELTO_S16("192.0.2.69", "192.0.2.70", "192.0.2.71", "192.0.2.72",
                "192.0.2.73", "192.0.2.74", "192.0.2.75", "192.0.2.76",
                "192.0.2.77", "192.0.2.78", "192.0.2.79", "192.0.2.80",
                "192.0.2.81", "192.0.2.82", "192.0.2.83", "192.0.2.84"))},
    /* 10 */ {"华北2区",
        VELTO_ROW(PATCH_A, "trade-10.velto.example",
            VELTO_S8("192.0.2.85", "192.0.2.86", "192.0.2.87", "192.0.2.88",
                "192.0.2.89", "192.0.2.90", "192.0.2.91", "192.0.2.92"))},
    /* 11 */ {"西南1区",
        VELTO_ROW(PATCH_G, "trade-11.velto.example",
            VELTO_S16("192.0.2.93", "192.0.2.94", "192.0.2.95", "192.0.2.96",
                "192.0.2.97", "192.0.2.98", "192.0.2.99", "192.0.2.100",
                "192.0.2.101", "192.0.2.102", "192.0.2.103", "192.0.2.104",
                "192.0.2.105", "192.0.2.106", "192.0.2.107", "192.0.2.108"))},
    /* 12 */ {"江苏(星联)",
        VELTO_ROW(PATCH_E, "trade-12.velto.example",
            VELTO_S5("192.0.2.109", "192.0.2.110", "192.0.2.111", "192.0.2.112",
                "192.0.2.113"))},
    /* 13 */ {"上海(云通)",
        VELTO_ROW(PATCH_E, "trade-13.velto.example",
            VELTO_S5("192.0.2.114", "192.0.2.115", "192.0.2.116", "192.0.2.117",
                "192.0.2.118"))},
    /* 14 */ {"广东(星联)",
        VELTO_ROW(PATCH_H, "trade-14.velto.example",
            VELTO_S10("192.0.2.119", "192.0.2.120", "192.0.2.121", "192.0.2.122",
                "192.0.2.123", "192.0.2.124", "192.0.2.125", "192.0.2.126",
                "192.0.2.127", "192.0.2.128"))},
    /* 15 */ {"浙江(星联)",
        VELTO_ROW(PATCH_B, "trade-15.velto.example",
            VELTO_S5("192.0.2.129", "192.0.2.130", "192.0.2.131", "192.0.2.132",
                "192.0.2.133"))},
    /* 16 */ {"黑龙江(云通)",
        VELTO_ROW(PATCH_I, "trade-16.velto.example",
            VELTO_S10("192.0.2.134", "192.0.2.135", "192.0.2.136", "192.0.2.137",
                "192.0.2.138", "192.0.2.139", "192.0.2.140", "192.0.2.141",
                "192.0.2.142", "192.0.2.143"))},
    /* 17 */ {"重庆(星联)",
        VELTO_ROW(PATCH_G, "trade-17.velto.example",
            VELTO_S5("192.0.2.144", "192.0.2.145", "192.0.2.146", "192.0.2.147",
                "192.0.2.148"))},
    /* 18 */ {"山东(云通)",
        VELTO_ROW(PATCH_J, "trade-18.velto.example",
            VELTO_S5("192.0.2.149", "192.0.2.150", "192.0.2.151", "192.0.2.152",
                "192.0.2.153"))},
    /* 19 */ {"福建(星联)",
        VELTO_ROW(PATCH_F, "trade-19.velto.example",
            VELTO_S5("192.0.2.154", "192.0.2.155", "192.0.2.156", "192.0.2.157",
                "192.0.2.158"))},};

static_assert(RegionRowsFit(g_regionTable, kRegionCount),
              "a region row is missing, empty, or too long for the launch request's buffers");
static_assert(RegionLabelsDistinct(g_regionTable, kRegionCount),
              "two region rows share a label");

const char* FindRegionCommandLine(const char* label)
{
    if (label == nullptr || label[0] == '\0')
        return nullptr;
    for (const RegionEntry& row : g_regionTable) {
        if (std::strcmp(row.label, label) == 0)
            return row.commandLine;
    }
    return nullptr;
}
