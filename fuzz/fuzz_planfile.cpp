// Arbitrary bytes as a plan text file. Whatever the reader accepts must come
// back unchanged when written out and read again: the caption, every row and
// the panel as the window takes it from the slots.
#include "base/TextCatalogue.h"
#include "store/PlanFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace plandor;

namespace {

// The Chinese labels: their GB18030 bytes are not UTF-8, so the written file
// is read back in the encoding it was written in.
PlanFileSource sourceFor(const PlanFileContent &content)
{
    const qint16 favoriteIds[6] = { 61, 62, 63, 64, 69, 70 };
    PlanFileSource source;
    source.caption = content.caption;
    source.rows = content.rows;
    for (int i = 0; i < 6; ++i)
        source.favoriteLabels[i] = TextCatalogue::entry(favoriteIds[i]);
    source.unitLabel = TextCatalogue::entry(1);
    source.panel = PlanFile::panelFromSlots(content.panelSlots);
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
    const QByteArray written = PlanFile::format(source, PlanFile::Encoding::Gb18030);
    PlanFileContent second;
    if (!PlanFile::parse(written, second, &error))
        mismatch("acceptance (the written file is refused)");
    if (second.caption != first.caption)
        mismatch("caption");
    if (second.rows != first.rows)
        mismatch("rows");
    if (second.panelSlots.size() != 8)
        mismatch("number of panel lines");
    if (!(PlanFile::panelFromSlots(second.panelSlots) == source.panel))
        mismatch("panel");
    return 0;
}
