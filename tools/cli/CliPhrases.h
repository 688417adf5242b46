#pragma once

#include "base/Phrase.h"

// The words more than one command says; each command keeps its own beside it.
namespace plandor::cli::phrases {

inline constexpr Phrase kRefused { u"%1 被拒绝：%2", u"%1 refused: %2" };
inline constexpr Phrase kCannotWrite { u"无法写入 %1：%2", u"cannot write %1: %2" };
inline constexpr Phrase kReadingFailed { u"读取频道表失败：%1", u"reading the plan failed: %1" };
inline constexpr Phrase kNeedsIn { u"%1 需要 --in FILE", u"%1 needs --in FILE" };
inline constexpr Phrase kStandardInput { u"标准输入", u"standard input" };
inline constexpr Phrase kStandardOutput { u"标准输出", u"standard output" };

} // namespace plandor::cli::phrases
