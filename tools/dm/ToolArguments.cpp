#include "ToolArguments.h"

namespace vantrelis::tools {

ToolArguments::ToolArguments(const QStringList& arguments, const QSet<QString>& valueOptions,
                             const QSet<QString>& flagOptions) {
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--")) || argument == QLatin1String("--")) {
            m_positional << argument;
            continue;
        }
        QString name = argument;
        QString inlineValue;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const bool hasInlineValue = equals > 0;
        if (hasInlineValue) {
            name = argument.left(equals);
            inlineValue = argument.mid(equals + 1);
        }
        if (flagOptions.contains(name) && !hasInlineValue) {
            m_flags.insert(name);
        } else if (valueOptions.contains(name)) {
            if (hasInlineValue) {
                m_values.insert(name, inlineValue);
            } else if (i + 1 < arguments.size()) {
                m_values.insert(name, arguments[++i]);
            } else {
                m_error = QStringLiteral("option %1 needs a value").arg(name);
                return;
            }
        } else {
            m_error = QStringLiteral("unknown option %1").arg(name);
            return;
        }
    }
}

QString ToolArguments::value(const QString& option, const QString& fallback) const {
    return m_values.value(option, fallback);
}

bool ToolArguments::expectPositional(int min, int max) {
    if (!m_error.isEmpty()) {
        return false;
    }
    if (m_positional.size() < min) {
        m_error = QStringLiteral("missing arguments");
    } else if (m_positional.size() > max) {
        m_error = QStringLiteral("unexpected argument \"%1\"").arg(m_positional[max]);
    }
    return m_error.isEmpty();
}

bool ToolArguments::wholeNumber(const QString& option, qint64 fallback, qint64& number) {
    if (!m_values.contains(option)) {
        number = fallback;
        return true;
    }
    bool ok = false;
    number = m_values.value(option).trimmed().toLongLong(&ok);
    if (!ok) {
        m_error = QStringLiteral("%1 needs a whole number, not \"%2\"").arg(option, m_values.value(option));
    }
    return ok;
}

bool ToolArguments::wholeNumberAt(int index, const QString& what, qint64& number) {
    bool ok = false;
    number = m_positional.value(index).trimmed().toLongLong(&ok);
    if (!ok) {
        m_error =
            QStringLiteral("%1 must be a whole number, not \"%2\"").arg(what, m_positional.value(index));
    }
    return ok;
}

} // namespace vantrelis::tools
