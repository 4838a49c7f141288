#pragma once

#include "common/Log.h"
#include "dm/SqlGateway.h"

#include <vector>

namespace vantrelis::engine {

// Gives a document (or a new folder) the security of the folder it is placed in, in SQL: full
// rights for its own author and typist plus a copy of the folder's other trustees, with its
// security switched on.
class SecurityInheritance {
public:
    SecurityInheritance(dm::SqlGateway& gateway, Log& log);

    // The document's trustees are replaced as one unit: a statement the library rejects, or a
    // fault, leaves its previous security in place and answers false.
    void InheritSecurity(qint64 docNumber, qint64 parentFolder, bool& succeeded);

private:
    struct ParentRow {
        QString personOrGroup;
        QString rights;
    };

    // The statements that replace the document's trustees; false at the first one that fails.
    bool Replace(const QString& doc, const QString& systemId, const QString& author, const QString& typist,
                 const std::vector<ParentRow>& parentRows);
    // Sends one statement of the copy; false when it was not sent or the library rejected it.
    bool Send(const QString& statement);

    dm::SqlGateway& m_gateway;
    Log& m_log;
};

} // namespace vantrelis::engine
