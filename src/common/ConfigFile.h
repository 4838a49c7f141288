#pragma once

#include <QByteArray>
#include <QString>

namespace vantrelis {

// Settings, registry and server files are small text files. Anything else given in their place (a
// FIFO, a device, a huge file) would hang the program or fill its memory, so only a regular file
// up to this size is read.
inline constexpr qint64 kMaxConfigFileBytes = 16 * 1024 * 1024;

// Why an existing file cannot be read as a configuration file ("it is not a regular file", "it is
// larger than 16 MiB"); empty when it can, or when there is no file at all.
QString ConfigFileProblem(const QString& path);

// Why a file given to be read (an import file) cannot be: "it does not exist", "it is not a regular
// file", "it cannot be opened (reason)"; empty when it can be read.
QString ReadableFileProblem(const QString& path);

// Reads a configuration file whole. False, with the reason in `problem`, when the file is missing,
// cannot be opened, is no regular file or is too large.
bool ReadConfigFile(const QString& path, QByteArray& contents, QString& problem);

} // namespace vantrelis
