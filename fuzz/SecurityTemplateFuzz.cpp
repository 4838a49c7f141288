// Feeds arbitrary text to the security template grammar and checks what any trustee table must
// satisfy; a violation aborts, which libFuzzer reports with the input that caused it.

#include "common/Text.h"
#include "engine/security/SecurityTemplate.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

using vantrelis::engine::ProfileParties;
using vantrelis::engine::SecurityTemplate;
using vantrelis::engine::TrusteeRow;
using vantrelis::engine::TrusteeTable;

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "security template property violated: %s\n", what);
        std::abort();
    }
}

// A table merged as the grammar merges: first position and kind, highest rights.
void Merge(TrusteeTable& table, const TrusteeRow& row) {
    for (TrusteeRow& known : table) {
        if (known.name == row.name) {
            if (row.rights > known.rights)
                known.rights = row.rights;
            return;
        }
    }
    table.push_back(row);
}

bool Same(const TrusteeTable& a, const TrusteeTable& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].rights != b[i].rights || a[i].kind != b[i].kind)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ProfileParties parties{QStringLiteral("JSMITH"), QStringLiteral("MJONES"),
                                        QStringLiteral("LEGAL"), QStringLiteral("CLERKS")};
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    std::size_t heard = 0;
    const TrusteeTable table = SecurityTemplate::Resolve(text, parties, [&](const TrusteeRow&) { ++heard; });
    Require(heard == table.size(), "one notice per row");
    std::set<QString> names;
    for (const TrusteeRow& row : table) {
        Require(row.kind == SecurityTemplate::kPerson || row.kind == SecurityTemplate::kGroup, "kind 1 or 2");
        Require(!row.name.isEmpty(), "name not empty");
        Require(vantrelis::TrimBlanks(row.name) == row.name, "name trimmed");
        Require(!row.name.contains(QLatin1Char(';')) && !row.name.contains(QLatin1Char(',')) &&
                    !row.name.contains(QLatin1Char('=')),
                "name free of separators");
        Require(names.insert(row.name).second, "names unique");
    }

    // Entries stand on their own: two templates joined by a separator give the first one's
    // trustees with the second one's merged in.
    const qsizetype half = text.size() / 2;
    TrusteeTable joined = SecurityTemplate::Resolve(text.left(half), parties);
    for (const TrusteeRow& row : SecurityTemplate::Resolve(text.mid(half), parties))
        Merge(joined, row);
    Require(
        Same(joined, SecurityTemplate::Resolve(text.left(half) + QLatin1Char(';') + text.mid(half), parties)),
        "joined templates resolve as their parts");
    return 0;
}
