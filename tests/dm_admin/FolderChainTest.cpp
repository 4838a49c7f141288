#include "AdminFixture.h"

#include "dm/local/FolderChain.h"

#include <map>

namespace vantrelis::dm::local::test {
namespace {

// One FOLDER_ITEM row written straight into the table: chains in every state of repair.
struct Row {
    qint64 systemId;
    qint64 parent;
    const char* isFirst;
    qint64 next; // -1: NULL
};

struct ChainCase {
    const char* name;
    std::vector<Row> rows;
    std::vector<qint64> expectedOrder; // SYSTEM_IDs of folder 1000's chain
    std::vector<ChainFault> expectedFaults;
    std::vector<qint64> expectedUnreached;
};

class FolderChainTest : public AdminFixture, public ::testing::WithParamInterface<ChainCase> {
protected:
    static void ExpectChain(const ChainCase& c, const ItemChain& chain);
};

void FolderChainTest::ExpectChain(const ChainCase& c, const ItemChain& chain) {
    std::vector<qint64> order;
    for (const ChainItem& item : chain.items()) {
        order.push_back(item.systemId);
        EXPECT_EQ(item.docNumber, item.systemId + 5000);
        EXPECT_EQ(item.displayName, QStringLiteral("item %1").arg(item.systemId));
    }
    EXPECT_EQ(order, c.expectedOrder);
    std::vector<ChainFault> faults;
    for (const ChainProblem& problem : chain.problems()) {
        faults.push_back(problem.kind);
        EXPECT_FALSE(problem.text.isEmpty());
    }
    EXPECT_EQ(faults, c.expectedFaults);
    EXPECT_EQ(chain.isSound(), c.expectedFaults.empty());
    std::vector<qint64> unreached;
    for (const ChainItem& item : chain.unreached()) {
        unreached.push_back(item.systemId);
    }
    EXPECT_EQ(unreached, c.expectedUnreached);
    if (chain.items().empty())
        EXPECT_EQ(chain.tail(), nullptr);
    else
        EXPECT_EQ(chain.tail()->systemId, chain.items().back().systemId);
}

TEST_P(FolderChainTest, ReadsTheChainAndNamesWhatIsWrong) {
    const ChainCase& c = GetParam();
    for (const Row& row : c.rows) {
        db().execute(QStringLiteral(
                         "INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, \"NEXT\", "
                         "DOCNUMBER, DISPLAYNAME, LIBRARY) VALUES (?1, 'P', ?2, ?3, ?4, ?5, ?6, 0)"),
                     {row.systemId, row.parent, row.isFirst, row.next < 0 ? QVariant() : QVariant(row.next),
                      row.systemId + 5000, QStringLiteral("item %1").arg(row.systemId)});
    }
    ExpectChain(c, FolderChain::Read(db(), 1000));
}

// The analysis alone, without a database: rows handed over in reverse order give the same chain.
TEST_P(FolderChainTest, AnalysisOfTheRowsAloneGivesTheSameChain) {
    const ChainCase& c = GetParam();
    std::vector<ChainItem> rows;
    std::map<qint64, qint64> parents;
    for (auto row = c.rows.rbegin(); row != c.rows.rend(); ++row) {
        parents[row->systemId] = row->parent;
        if (row->parent != 1000)
            continue;
        ChainItem item;
        item.systemId = row->systemId;
        item.docNumber = row->systemId + 5000;
        item.displayName = QStringLiteral("item %1").arg(row->systemId);
        item.isFirst =
            QString::fromLatin1(row->isFirst).compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0;
        item.next = row->next < 0 ? 0 : row->next;
        rows.push_back(item);
    }
    ExpectChain(c, ItemChain::Analyse(1000, rows, [&parents](qint64 systemId) {
                    const auto found = parents.find(systemId);
                    return found == parents.end() ? std::nullopt : std::optional<qint64>(found->second);
                }));
}

const ChainCase kCases[] = {
    {"Empty", {}, {}, {}, {}},
    {"Single", {{10, 1000, "Y", 0}}, {10}, {}, {}},
    {"InChainOrderNotIdOrder",
     {{10, 1000, "N", 0}, {11, 1000, "Y", 12}, {12, 1000, "N", 10}, {20, 2000, "Y", 0}},
     {11, 12, 10},
     {},
     {}},
    {"NullNextIsTheTail", {{10, 1000, "Y", -1}}, {10}, {}, {}},
    {"NoHead",
     {{10, 1000, "N", 11}, {11, 1000, "N", 0}},
     {},
     {ChainFault::NoHead, ChainFault::Unreached},
     {10, 11}},
    {"SeveralHeads",
     {{10, 1000, "Y", 11}, {11, 1000, "N", 0}, {12, 1000, "Y", 0}},
     {10, 11},
     {ChainFault::SeveralHeads, ChainFault::Unreached},
     {12}},
    {"NextMissing",
     {{10, 1000, "Y", 99}, {11, 1000, "N", 0}},
     {10},
     {ChainFault::MissingNext, ChainFault::Unreached},
     {11}},
    {"NextInAnotherFolder",
     {{10, 1000, "Y", 20}, {11, 1000, "N", 0}, {20, 2000, "Y", 0}},
     {10},
     {ChainFault::ForeignNext, ChainFault::Unreached},
     {11}},
    {"CycleBackToHead",
     {{10, 1000, "Y", 11}, {11, 1000, "N", 12}, {12, 1000, "N", 10}},
     {10, 11, 12},
     {ChainFault::Cycle},
     {}},
    {"CycleInTheMiddle",
     {{10, 1000, "Y", 11}, {11, 1000, "N", 12}, {12, 1000, "N", 11}},
     {10, 11, 12},
     {ChainFault::Cycle},
     {}},
    {"SelfLoop", {{10, 1000, "Y", 10}}, {10}, {ChainFault::Cycle}, {}},
    {"OrphanBesideASoundChain",
     {{10, 1000, "Y", 11}, {11, 1000, "N", 0}, {12, 1000, "N", 0}},
     {10, 11},
     {ChainFault::Unreached},
     {12}},
    {"LowerCaseHead", {{10, 1000, "y", 11}, {11, 1000, "n", 0}}, {10, 11}, {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Chains, FolderChainTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ChainCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(FolderChainNames, EveryFaultHasAName) {
    for (ChainFault kind : {ChainFault::NoHead, ChainFault::SeveralHeads, ChainFault::MissingNext,
                            ChainFault::ForeignNext, ChainFault::Cycle, ChainFault::Unreached}) {
        EXPECT_FALSE(ItemChain::FaultName(kind).isEmpty());
    }
}

} // namespace
} // namespace vantrelis::dm::local::test
