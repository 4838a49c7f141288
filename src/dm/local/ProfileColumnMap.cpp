#include "dm/local/ProfileColumnMap.h"

namespace vantrelis::dm::local {

const std::vector<ProfileColumnDef>& ProfileColumns() {
    // The one table of the profile's columns; docs/library-schema.md repeats it for administrators.
    static const std::vector<ProfileColumnDef> columns = {
        {"DOCNUMBER", ColumnKind::Protected, "DOCNUMBER", {}, {}, true},
        {"DOCNAME", ColumnKind::Text, "DOCNAME", {}, {}, true},
        {"ABSTRACT", ColumnKind::Text, "ABSTRACT", {}, {}, true},
        {"AUTHOR_ID", ColumnKind::Lookup, "AUTHOR", "PEOPLE", "USER_ID", true},
        {"TYPIST_ID", ColumnKind::Lookup, "TYPIST", "PEOPLE", "USER_ID", true},
        {"TYPE_ID", ColumnKind::Lookup, "DOCUMENTTYPE", "DOCUMENTTYPES", "TYPE_ID", true},
        {"APP_ID", ColumnKind::Lookup, "APPLICATION", "APPS", "APPLICATION", true},
        {"FORM", ColumnKind::Lookup, "FORM", "FORMS", "FORM_NAME", true},
        {"CLIENT_ID", ColumnKind::Client, {}, "CLIENT", "CLIENT_ID", true},
        {"MATTER_ID", ColumnKind::Matter, "MATTER", "MATTER", "MATTER_ID", true},
        {"RETENTION", ColumnKind::Number, "RETENTION", {}, {}, true},
        {"FULLTEXT", ColumnKind::Flag, "FULLTEXT", {}, {}, true},
        {"SYSTEM_ID", ColumnKind::Protected, "SYSTEM_ID", {}, {}, true},
        {"CREATION_DATE", ColumnKind::Protected, "CREATION_DATE", {}, {}, true},
        {"LAST_EDIT_DATE", ColumnKind::Protected, "LAST_EDIT_DATE", {}, {}, true},
        {"$DEFAULT_RIGHTS", ColumnKind::Number, "DEFAULT_RIGHTS", {}, {}, false},
    };
    return columns;
}

int ProfileColumnIndex(const QString& name) {
    const auto& columns = ProfileColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace vantrelis::dm::local
