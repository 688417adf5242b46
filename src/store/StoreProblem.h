#pragma once

#include <QString>

namespace plandor {

// Why the plan's database could not be used, as the user is told it.
enum class StoreProblem {
    None,
    CannotOpen, // the file or its folder cannot be opened or created
    ReadOnly, // a read-only medium, file or folder: nothing can be saved
    DiskFull, // a write failed: the disk is full or failing
    Busy, // another program holds the file
    Refused, // the engine refused a value (a text in a number column)
    Other, // anything else; the engine's words are shown
};

class StoreProblems
{
public:
    // The problem an engine result code stands for.
    static StoreProblem fromEngineCode(int code);
    // The engine codes of a file that is not a database or is damaged.
    static bool isUnreadableFile(int code);
    // The message in the run's language, naming the file; the engine's words
    // are added only where Plandor has none of its own.
    static QString message(StoreProblem problem, const QString &path, const QString &engineText);
    // What the user is told when an unreadable file was moved aside.
    static QString movedAsideMessage(const QString &path, const QString &movedTo);
};

} // namespace plandor
