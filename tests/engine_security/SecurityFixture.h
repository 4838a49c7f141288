#pragma once

#include "dm/DmConstants.h"
#include "engine/security/SecurityEngine.h"
#include "support/ConnectedProgram.h"
#include "support/LocalEnvironment.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace vantrelis::testing {

// A connected program on a fresh library DOCS whose login user is TESTER, with the groups LEGAL
// and CLERKS and the people JSMITH (primary group LEGAL) and MJONES (CLERKS), and the security
// engine on it.
class SecurityFixture : public ::testing::Test {
public:
    static constexpr qint64 kDeny = dm::kDeniedRights;

    void SetUp() override;

    dm::local::LibraryAdmin& admin() { return environment.admin(QStringLiteral("DOCS")); }
    Log& log() { return program->context.log(); }
    // A document with its author and typist, its DEFAULT_RIGHTS and trustees ("GROUP:" for groups).
    qint64 Document(const QString& author, const QString& typist, int defaultRights = 0,
                    const std::map<QString, qint64>& trustees = {});
    // The document's SECURITY rows by trustee name ("#0" for trustee 0); a name twice fails.
    std::map<QString, qint64> Trustees(qint64 docNumber);
    qint64 DefaultRights(qint64 docNumber);
    // Makes the library refuse every SECURITY row given to this person or group.
    void Refuse(const QString& trusteeId);
    // The log lines written since the fixture was set up, or since the last Mark().
    QStringList Lines() { return program->harness.LinesSinceMark(); }
    // The status texts with "#" + docNumber written as "#D", so that rows can name them.
    QStringList StatusTexts(qint64 docNumber) const;

    LocalEnvironment environment;
    std::unique_ptr<ConnectedProgram> program;
    std::unique_ptr<engine::SecurityEngine> engine;
};

} // namespace vantrelis::testing
