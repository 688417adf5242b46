#pragma once

#include <QString>
#include <QStringView>

namespace plandor {

// A value as a message quotes it: whole when short, else its first
// kMaxShown characters and how long it was, so that a refused megabyte does
// not make a megabyte of message.
namespace ShownValue {

constexpr qsizetype kMaxShown = 40;

QString cut(QStringView value);

} // namespace ShownValue
} // namespace plandor
