#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

namespace vantrelis::tools {

// The arguments of one subcommand: positional values and "--name value" / "--flag" options.
class ToolArguments {
public:
    // valueOptions take a value, flagOptions do not; anything else starting with "--" is an error.
    ToolArguments(const QStringList& arguments, const QSet<QString>& valueOptions,
                  const QSet<QString>& flagOptions);

    bool isValid() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    const QStringList& positional() const { return m_positional; }
    QString positional(int index) const { return m_positional.value(index); }
    bool has(const QString& option) const { return m_values.contains(option) || m_flags.contains(option); }
    QString value(const QString& option, const QString& fallback = QString()) const;

    // The positional count must lie in [min, max]; sets the error otherwise.
    bool expectPositional(int min, int max);
    // Reads an option as a whole number; sets the error when it is not one.
    bool wholeNumber(const QString& option, qint64 fallback, qint64& number);
    // Reads a positional value as a whole number; sets the error when it is not one.
    bool wholeNumberAt(int index, const QString& what, qint64& number);

private:
    QStringList m_positional;
    QHash<QString, QString> m_values;
    QSet<QString> m_flags;
    QString m_error;
};

} // namespace vantrelis::tools
