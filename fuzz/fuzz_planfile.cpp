// Arbitrary bytes as a plan text file. The reader either refuses them with a
// reason, or what it accepts comes back unchanged when written in the encoding
// it detected (UTF-8 with a byte-order mark when that code page cannot hold
// the plan) and read again: caption, rows, their marks and the panel.
#include "base/Language.h"
#include "base/TextCatalogue.h"
#include "store/PlanFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace plandor;

namespace {

// The labels a run of the detected encoding's language writes, so that the
// written file carries the same markers.
PlanFileSource sourceFor(const PlanFileContent &content)
{
    const qint16 language
        = content.encoding == PlanEncoding::Gb18030 ? kChineseOffset : kEnglishOffset;
    const qint16 favoriteIds[6] = { 61, 62, 63, 64, 69, 70 };
    PlanFileSource source;
    source.caption = content.caption;
    source.rows = content.rows;
    for (int i = 0; i < 6; ++i)
        source.favoriteLabels[i] = TextCatalogue::entry(favoriteIds[i] + language);
    source.unitLabel = TextCatalogue::entry(1 + language);
    source.panel = content.panelOrBlank();
    return source;
}

[[noreturn]] void mismatch(const char *what)
{
    std::fprintf(stderr, "plan file round trip changed the %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    PlanFileContent first;
    QString error;
    if (!PlanFile::parse(bytes, first, &error)) {
        if (error.isEmpty())
            mismatch("error text (a refused file must say why)");
        return 0;
    }

    const PlanFileSource source = sourceFor(first);
    PlanEncoding encoding = first.encoding;
    if (!PlanFile::loss(source, encoding).isEmpty()) {
        encoding = PlanEncoding::Utf8Bom;
        if (!PlanFile::loss(source, encoding).isEmpty())
            mismatch("plan (not even UTF-8 holds it)");
    }
    const QByteArray written = PlanFile::format(source, encoding);
    PlanFileContent second;
    if (!PlanFile::parse(written, second, &error))
        mismatch("acceptance (the written file is refused)");
    if (second.caption != first.caption)
        mismatch("caption");
    if (second.rows != first.rows)
        mismatch("rows");
    if (second.refusals != first.refusals)
        mismatch("marks of refused rows");
    if (second.panel != first.panel)
        mismatch("panel");
    if (encoding != PlanEncoding::Utf8Bom && second.encoding != encoding)
        mismatch("encoding");
    return 0;
}
