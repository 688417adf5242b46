#pragma once

#include <QList>
#include <QString>

namespace plandor {

// The two-language text catalogue: Chinese texts under ids 1..72, their
// English counterparts under 501..572. Built into the program.
class TextCatalogue
{
public:
    // The entry stored under key, or a null string when there is none.
    static QString entry(qint16 key);
    static bool contains(qint16 key);
    static QList<qint16> keys();
};

// The text of catalogue id (1..72) in the language of the run.
QString CatalogueText(qint16 id);

// The program title as windows show it: the text of id 2 and " V1.25".
QString ProgramTitleWithVersion();

} // namespace plandor
