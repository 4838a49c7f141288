#pragma once

#include <QString>

namespace vantrelis::dm::local {

// A statement as the program writes it, made ready for a PostgreSQL server: positional parameters
// ?1, ?2 (or a bare ?) become $1, $2; hexadecimal numbers (0xf, as MSSQL writes them) become
// decimal ones; a closing semicolon goes. Quoted texts, quoted names and comments are left alone.
struct PgStatementText {
    QString text;         // the statement for the server
    int parameters = 0;   // the highest parameter number used
    bool empty = false;   // blank, semicolons or comments only
    bool several = false; // more than one statement
    QString firstKeyword; // the statement's first word, upper case ("SELECT", "BEGIN", ...)

    static PgStatementText From(const QString& sql);
};

} // namespace vantrelis::dm::local
