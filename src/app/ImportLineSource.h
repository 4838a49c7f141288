#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vantrelis::app {

// The lines of an import file, one at a time, in bounded memory. Lines end in LF or CR LF; the last
// line needs no end; a byte-order mark at the start is skipped. Each line is read as UTF-8, or as
// Windows-1252 when it is not valid UTF-8. A line holding a NUL byte or longer than kMaxLineBytes
// is not decoded but reported, so that the reader can name it and go on.
class ImportLineSource {
public:
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    enum class Kind { Text, NulByte, TooLong, End };
    struct Line {
        Kind kind = Kind::End;
        qint64 number = 0; // 1-based line number in the file
        QString text;      // only for Kind::Text, without its line end
    };

    // Raises a Fault when the file cannot be opened.
    explicit ImportLineSource(const QString& fileName);

    // The next line, or Kind::End after the last one. Raises a Fault when the file cannot be read.
    Line Next();

    // The text of one line's bytes: UTF-8 when valid, otherwise Windows-1252.
    static QString Decode(const QByteArray& bytes);

private:
    bool Fill();

    QFile m_file;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    qint64 m_number = 0;
};

} // namespace vantrelis::app
