#pragma once

#include <QFile>
#include <QString>

namespace vantrelis::app {

// The per-line report of an import run: a CSV file (RFC 4180, UTF-8, CR LF, one header row) with one
// row per import file line and library. Each row is flushed as it is written, so that a run that is
// killed still leaves the lines it finished.
class LineReport {
public:
    struct Row {
        qint64 line = 0;
        QString library;
        QString path;
        QString outcome;   // created, found, partial, failed, skipped, would-create
        qint64 folder = 0; // the leaf folder's document number; 0 leaves the field empty
        qint64 foldersCreated = 0;
        qint64 documentsFiled = 0;
        qint64 documentErrors = 0;
        QString error; // the first error of the line, or why it was skipped (written on one line)
    };

    // Creates (or empties) the file and writes the header row; false with the reason in error().
    bool Open(const QString& fileName);
    bool isOpen() const { return m_file.isOpen(); }
    // A write failed: the file was closed there, and the reason is in error().
    bool failed() const { return m_failed; }
    const QString& error() const { return m_error; }
    void Write(const Row& row);
    void Close();

    // One field as RFC 4180 has it: in double quotes, doubled inside, when it holds a comma, a double
    // quote, a line break or leading or trailing blanks.
    static QString Field(const QString& text);

private:
    void WriteFields(const QStringList& fields);

    QFile m_file;
    QString m_error;
    bool m_failed = false;
};

} // namespace vantrelis::app
