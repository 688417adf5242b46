#include "base/CodePage.h"

#include "base/Language.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace plandor::CodePage {

QString nameFor(qint16 languageOffset)
{
    return languageOffset == kChineseOffset ? QStringLiteral("GB18030")
                                            : QStringLiteral("windows-1252");
}

std::optional<uchar> singleByte(char32_t character, qint16 languageOffset)
{
    const QByteArray name = nameFor(languageOffset).toLatin1();
    const QString text = QString::fromUcs4(&character, 1);
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || bytes.size() != 1)
        return std::nullopt;
    // The encoder puts a substitute (0x1A) for what the code page lacks; a
    // byte that decodes to another character is no code of this one.
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (QString(decoder.decode(bytes)) != text || decoder.hasError())
        return std::nullopt;
    return uchar(bytes[0]);
}

} // namespace plandor::CodePage
