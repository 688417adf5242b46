#include "StandardStreams.h"

#include "CliPhrases.h"

#include "store/PlanCsv.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace plandor::cli {

namespace {
constexpr Phrase kTooLong { u"超过 %1 字节", u"more than %1 bytes" };
} // namespace

bool isStandardStream(const QString &path)
{
    return path == QLatin1String("-");
}

QString fileName(const QString &path, bool output)
{
    if (!isStandardStream(path))
        return path;
    return (output ? phrases::kStandardOutput : phrases::kStandardInput).text();
}

bool readPlanInput(const QString &path, PlanFileContent &content, QString *error)
{
    if (!isStandardStream(path)) {
        return path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
            ? PlanCsv::read(path, content, error)
            : PlanFile::read(path, content, error);
    }
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    // One byte more than a plan file may hold tells a stream that is too long.
    const QByteArray bytes = in.read(PlanFile::kMaxFileSize + 1);
    if (bytes.size() > PlanFile::kMaxFileSize) {
        if (error)
            *error = kTooLong.text().arg(PlanFile::kMaxFileSize);
        return false;
    }
    return PlanFile::parse(bytes, content, error);
}

bool writeStandardOutput(const QByteArray &bytes, QString *error)
{
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    if (std::fflush(stdout) == 0 && written == size_t(bytes.size()) && !std::ferror(stdout))
        return true;
    if (error)
        *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace plandor::cli
