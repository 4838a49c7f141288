#pragma once

#include <QString>

namespace vantrelis {

// The pieces every SQL statement and its log lines are built from.

// The schema owner every table name carries ("DOCSADM.PROFILE").
inline constexpr const char* kSchemaOwner = "DOCSADM";
// "DOCSADM." to put before a table name.
QString OwnerPrefix();

// Prepares free text for a quoted SQL literal: trimmed, apostrophes doubled, CR and LF as blanks.
QString EscapeSQLText(const QString& text);

// The line break inside multi-line statements and log texts.
inline const QString kCrLf = QStringLiteral("\r\n");

// Separator lines of the log: `count` dashes between steps and statements, `count` equals signs
// closing a section or an error report.
QString Dashes(int count);
QString Equals(int count);

} // namespace vantrelis
