#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace vantrelis::engine {

// The four parties of a document's profile that a template's "%" tokens name.
struct ProfileParties {
    QString authorId;
    QString typistId;
    QString authorGroup; // the author's primary group
    QString typistGroup; // the typist's primary group
};

// One trustee of a template: a user id (kind 1) or a group id (kind 2) with its rights.
struct TrusteeRow {
    QString name;
    qint64 rights = 0;
    int kind = 0;
};

using TrusteeTable = std::vector<TrusteeRow>;

// The security template grammar: "GROUP:DOCS_USERS = 0; %AUTHOR% = 255, USER:JSMITH = 63".
// Pure text work, so that it can be tested row by row and fuzzed.
class SecurityTemplate {
public:
    static constexpr int kPerson = 1;
    static constexpr int kGroup = 2;

    // The trustees in the order their names first appear; a name given twice keeps its first
    // position and kind and the highest rights. Entries that cannot be understood are skipped.
    // `added` hears of every new row as it is appended, before later entries raise its rights.
    static TrusteeTable Resolve(const QString& securityTemplate, const ProfileParties& parties,
                                const std::function<void(const TrusteeRow&)>& added = {});

private:
    // Kind and name of one trustee reference; kind 0 when it is not understood.
    static TrusteeRow Reference(const QString& reference, const ProfileParties& parties);
};

} // namespace vantrelis::engine
