#include "store/StoreProblem.h"

#include "base/Phrase.h"

#include <QDir>

#include <sqlite3.h>

namespace plandor {
namespace {

constexpr Phrase kCannotOpen { u"无法打开或创建数据库文件 %1。",
    u"The database file %1 cannot be opened or created." };
constexpr Phrase kReadOnly { u"数据库文件 %1 位于只读的介质或文件夹中，无法保存更改。",
    u"The database file %1 is on a read-only medium or in a read-only folder; changes cannot be "
    u"saved." };
constexpr Phrase kDiskFull { u"无法写入数据库文件 %1：磁盘已满或已损坏。未保存任何更改。",
    u"The database file %1 cannot be written: the disk is full or failing. Nothing was changed." };
constexpr Phrase kBusy { u"数据库文件 %1 正被其他程序使用。",
    u"The database file %1 is in use by another program." };
constexpr Phrase kRefused { u"数据库拒绝了该值（%1）。", u"The database refused the value (%1)." };
constexpr Phrase kOther { u"数据库文件 %1 出错：%2", u"The database file %1 failed: %2" };
constexpr Phrase kMovedAside {
    u"数据库文件 %1 已损坏或不是数据库，已被移至 %2，并已新建一个空的数据库。",
    u"The database file %1 was damaged or not a database. It was moved to %2, and a new, empty "
    u"database was created."
};

} // namespace

StoreProblem StoreProblems::fromEngineCode(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW:
        return StoreProblem::None;
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return StoreProblem::CannotOpen;
    case SQLITE_READONLY:
        return StoreProblem::ReadOnly;
    case SQLITE_FULL:
    case SQLITE_IOERR:
        return StoreProblem::DiskFull;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreProblem::Busy;
    case SQLITE_CONSTRAINT:
    case SQLITE_MISMATCH:
    case SQLITE_TOOBIG:
    case SQLITE_RANGE:
        return StoreProblem::Refused;
    default:
        return StoreProblem::Other;
    }
}

bool StoreProblems::isUnreadableFile(int code)
{
    const int primary = code & 0xff;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

QString StoreProblems::message(StoreProblem problem, const QString &path, const QString &engineText)
{
    const QString file = QDir::toNativeSeparators(path);
    switch (problem) {
    case StoreProblem::None:
        return {};
    case StoreProblem::CannotOpen:
        return kCannotOpen.text().arg(file);
    case StoreProblem::ReadOnly:
        return kReadOnly.text().arg(file);
    case StoreProblem::DiskFull:
        return kDiskFull.text().arg(file);
    case StoreProblem::Busy:
        return kBusy.text().arg(file);
    case StoreProblem::Refused:
        return kRefused.text().arg(engineText);
    case StoreProblem::Other:
        break;
    }
    return kOther.text().arg(file, engineText);
}

QString StoreProblems::movedAsideMessage(const QString &path, const QString &movedTo)
{
    return kMovedAside.text().arg(
        QDir::toNativeSeparators(path), QDir::toNativeSeparators(movedTo));
}

} // namespace plandor
