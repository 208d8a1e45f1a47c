// tests/support/expected_texts.h: what the launcher must show, as GBK bytes written out by hand,
// so that they do not depend on the compiler's conversion of the program's UTF-8 sources.
#ifndef VELTO_TESTS_SUPPORT_EXPECTED_TEXTS_H
#define VELTO_TESTS_SUPPORT_EXPECTED_TEXTS_H

namespace test::gbk {

inline constexpr char kCaption[] = "Velto";
inline constexpr char kChooseRegion[] = "\xc7\xeb\xd1\xa1\xd4\xf1\xb4\xf3\xc7\xf8";        // 请选择大区
inline constexpr char kStartFailed[] = "\xb3\xcc\xd0\xf2\xc6\xf4\xb6\xaf\xca\xa7\xb0\xdc"; // 程序启动失败
inline constexpr char kConfirm[] = "\xbd\xf8\xc8\xeb";                                      // 进入
inline constexpr char kQuit[] = "\xcd\xcb\xb3\xf6";                                         // 退出
inline constexpr char kAboutItem[] = "\xb9\xd8\xd3\xda\x20Velto(&A)...";                   // 关于 Velto(&A)...
inline constexpr char kAboutCaption[] = "\xb9\xd8\xd3\xda Velto";                           // 关于 Velto
inline constexpr char kVersionLine[] = "Velto 1.0 \xb0\xe6";                                // Velto 1.0 版
inline constexpr char kCopyrightLine[] = "\xb0\xe6\xc8\xa8\xcb\xf9\xd3\xd0 (C) 2026 Velto"; // 版权所有 (C) 2026 Velto
inline constexpr char kOk[] = "\xc8\xb7\xb6\xa8";                                           // 确定

}  // namespace test::gbk

#endif  // VELTO_TESTS_SUPPORT_EXPECTED_TEXTS_H
