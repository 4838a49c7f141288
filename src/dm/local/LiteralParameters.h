#pragma once

#include <QString>
#include <QVariantList>

namespace vantrelis::dm::local {

// The SQL object's statements carry their values in the text ("WHERE PARENT = 5002"), so each one
// is a new text to parse. As a database server does with such statements, the values that only
// stand for a value are taken out as parameters, so that statements of the same shape share one
// prepared statement: whole numbers and '...' texts right after a comparison (=, ==, <>, !=, <, <=,
// >, >=) and the plain members of a VALUES (...) or IN (...) list. Everything else stays as written
// (ORDER BY 1, LIMIT, LIKE patterns, the select list, negative and decimal numbers, X'..' and N'..'),
// and so do texts that are not SELECT, INSERT, UPDATE or DELETE or that carry parameters already.
struct LiteralParameters {
    QString text;        // the statement with ?1, ?2, ... in place of the values taken out
    QVariantList values; // the values, in order (qint64 or QString)

    bool changed() const { return !values.isEmpty(); }
};

LiteralParameters ParameterizeLiterals(const QString& sql);

} // namespace vantrelis::dm::local
