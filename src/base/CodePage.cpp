#include "base/CodePage.h"

#include "base/Language.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>

namespace plandor::CodePage {

QString nameFor(qint16 languageOffset)
{
    return languageOffset == kChineseOffset ? QStringLiteral("GB18030")
                                            : QStringLiteral("windows-1252");
}

namespace {

// Which character each single byte of a code page stands for, kept only
// where the character is written back as that same byte. Built once per code
// page: opening a converter for every character checked made the name rule
// the costliest part of reading a large plan.
class SingleByteTable
{
public:
    explicit SingleByteTable(const QString &codePage)
    {
        const QByteArray name = codePage.toLatin1();
        for (int code = 0; code < 256; ++code) {
            const QByteArray byte(1, char(code));
            QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
            const QString text = decoder.decode(byte);
            if (decoder.hasError() || text.isEmpty())
                continue;
            // The encoder puts a substitute (0x1A) for what the code page
            // lacks; a byte that decodes to another character is no code of it.
            QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
            const QByteArray back = encoder.encode(text);
            const QList<uint> characters = text.toUcs4();
            if (!encoder.hasError() && back == byte && characters.size() == 1)
                m_bytes.insert(char32_t(characters.front()), uchar(code));
        }
    }

    std::optional<uchar> find(char32_t character) const
    {
        const auto found = m_bytes.constFind(character);
        return found == m_bytes.constEnd() ? std::nullopt : std::optional<uchar>(*found);
    }

private:
    QHash<char32_t, uchar> m_bytes;
};

} // namespace

std::optional<uchar> singleByte(char32_t character, qint16 languageOffset)
{
    static const SingleByteTable chinese(nameFor(kChineseOffset));
    static const SingleByteTable english(nameFor(kEnglishOffset));
    return (languageOffset == kChineseOffset ? chinese : english).find(character);
}

} // namespace plandor::CodePage
