#include "dm/local/SqlTrace.h"

#include <QLocale>

namespace vantrelis::dm::local {

std::shared_ptr<SqlTrace> SqlTrace::FromEnvironment() {
    const QString file = qEnvironmentVariable("VANTRELIS_SQL_TRACE");
    if (file.isEmpty())
        return nullptr;
    auto trace = std::make_shared<SqlTrace>(file);
    return trace->isOpen() ? trace : nullptr;
}

SqlTrace::SqlTrace(const QString& file) : m_file(file) {
    // Unbuffered append: every line reaches the file in one write, whole, even when several
    // processes trace into the same file.
    m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
}

QString SqlTrace::Escape(const QString& sql) {
    QString escaped;
    escaped.reserve(sql.size() + 8);
    for (const QChar c : sql) {
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case '\r':
            escaped += QLatin1String("\\r");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\t':
            escaped += QLatin1String("\\t");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

namespace {

// A value as the SQL literal of what the database is given for it: whole numbers (Booleans as 1 and 0)
// and real numbers as numbers, blobs as X'hex', everything else as text.
QString Literal(const QVariant& value) {
    if (value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(value.toByteArray().toHex().toUpper()) +
               QLatin1Char('\'');
    default:
        return QLatin1Char('\'') + value.toString().replace(QLatin1Char('\''), QLatin1String("''")) +
               QLatin1Char('\'');
    }
}

} // namespace

void SqlTrace::write(const QString& libraryName, const QString& sql, const QVariantList& params) {
    if (!m_file.isOpen())
        return;
    QString line = libraryName + QLatin1Char('\t') + Escape(sql);
    if (!params.isEmpty()) {
        QStringList literals;
        for (const QVariant& value : params)
            literals += Escape(Literal(value));
        line += QLatin1String("\t-- params: ") + literals.join(QLatin1String(", "));
    }
    line += QLatin1Char('\n');
    m_file.write(line.toUtf8());
}

} // namespace vantrelis::dm::local
