#include "app/ImportLineSource.h"

#include "common/Fault.h"

#include <QStringDecoder>

namespace vantrelis::app {

namespace {

constexpr qsizetype kChunk = 1024 * 1024;
const QString kSource = QStringLiteral("Import file");

// Windows-1252 at 0x80..0x9F; the five unassigned bytes keep their C1 code points.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : char16_t(byte));
    }
    return text;
}

} // namespace

ImportLineSource::ImportLineSource(const QString& fileName) : m_file(fileName) {
    if (!m_file.open(QIODevice::ReadOnly))
        throw Fault(kFileNotFoundNumber, kSource,
                    QStringLiteral("Import file ") + fileName + QStringLiteral(" cannot be opened: ") +
                        m_file.errorString());
}

QString ImportLineSource::Decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return FromWindows1252(bytes);
}

bool ImportLineSource::Fill() {
    if (m_atEnd)
        return false;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
    const qsizetype kept = m_buffer.size();
    m_buffer.resize(kept + kChunk);
    const qint64 got = m_file.read(m_buffer.data() + kept, kChunk);
    if (got < 0)
        throw Fault(kDeviceIoNumber, kSource,
                    QStringLiteral("Import file ") + m_file.fileName() + QStringLiteral(" cannot be read: ") +
                        m_file.errorString());
    m_buffer.resize(kept + got);
    if (got == 0)
        m_atEnd = true;
    return got > 0;
}

ImportLineSource::Line ImportLineSource::Next() {
    bool tooLong = false;
    qsizetype end = -1;
    for (;;) {
        end = m_buffer.indexOf('\n', m_pos);
        if (end >= 0)
            break;
        if (m_buffer.size() - m_pos > kMaxLineBytes + 1) {
            // Too long to keep: drop what is held and go on to the line's end.
            tooLong = true;
            m_pos = m_buffer.size();
        }
        if (!Fill()) {
            end = m_buffer.size();
            break;
        }
    }
    if (end == m_pos && m_atEnd && !tooLong && end == m_buffer.size())
        return {Kind::End, m_number, QString()};

    Line line;
    line.number = ++m_number;
    QByteArray bytes = m_buffer.mid(m_pos, end - m_pos);
    m_pos = end < m_buffer.size() ? end + 1 : end;
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    if (line.number == 1 && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    if (tooLong || bytes.size() > kMaxLineBytes)
        line.kind = Kind::TooLong;
    else if (bytes.contains('\0'))
        line.kind = Kind::NulByte;
    else {
        line.kind = Kind::Text;
        line.text = Decode(bytes);
    }
    return line;
}

} // namespace vantrelis::app
