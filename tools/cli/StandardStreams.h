#pragma once

#include "store/PlanFile.h"

#include <QByteArray>
#include <QString>

namespace plandor::cli {

// "-" in place of a file: standard input for --in, standard output for --out.
bool isStandardStream(const QString &path);
// How a message names the file: "standard input" or "standard output" for "-".
QString fileName(const QString &path, bool output);

// A plan file, or a table by its .csv ending; "-" reads a plan file from
// standard input, up to the size a plan file may have.
bool readPlanInput(const QString &path, PlanFileContent &content, QString *error);
// The bytes on standard output, flushed; false with the reason when not all
// of them could be written (a full disk behind a redirection).
bool writeStandardOutput(const QByteArray &bytes, QString *error);

} // namespace plandor::cli
