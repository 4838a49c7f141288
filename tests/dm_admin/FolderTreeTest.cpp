#include "AdminFixture.h"

#include "DmTool.h"

namespace vantrelis::dm::local::test {
namespace {

class FolderTreeTest : public AdminFixture {
protected:
    // Runs `vantrelis-dm folders` on the library; answers the exit code, output in `out`.
    int Folders(QString& out) {
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        tools::DmTool tool(outStream, errStream);
        const int code = tool.Run({QStringLiteral("folders"), m_file});
        outStream.flush();
        return code;
    }
    // A folder appended to a chain straight in the table, as a damaged or hand-edited library may
    // hold it: the library's own link refuses a folder below itself.
    void Hold(qint64 parent, qint64 folder) {
        const qint64 key = db().nextKey(QStringLiteral("SYSTEMKEY"));
        const QVariant tail = db().scalar(
            QStringLiteral("SELECT SYSTEM_ID FROM DOCSADM.FOLDER_ITEM WHERE PARENT = ?1 AND \"NEXT\" = 0"),
            {parent});
        db().execute(
            QStringLiteral("INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, "
                           "\"NEXT\", DOCNUMBER, DISPLAYNAME, LIBRARY) SELECT ?1, 'F', ?2, ?3, 0, ?4, "
                           "DOCNAME, 0 FROM DOCSADM.PROFILE WHERE DOCNUMBER = ?4"),
            {key, parent, tail.isValid() ? QStringLiteral("N") : QStringLiteral("Y"), folder});
        if (tail.isValid())
            db().execute(QStringLiteral("UPDATE DOCSADM.FOLDER_ITEM SET \"NEXT\" = ?1 WHERE SYSTEM_ID = ?2"),
                         {key, tail});
    }
};

// Far deeper than any real tree: one folder per level, each the only item of the one above.
TEST_F(FolderTreeTest, ATreeTwentyThousandLevelsDeepPrints) {
    constexpr int kLevels = 20000;
    const QString levels = QStringLiteral("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N "
                                          "WHERE I < %1) ")
                               .arg(kLevels);
    db().execute(levels + QStringLiteral("INSERT INTO DOCSADM.PROFILE (DOCNUMBER, DOCNAME) "
                                         "SELECT 900000 + I, 'level ' || I FROM N"));
    db().execute(
        levels +
        QStringLiteral("INSERT INTO DOCSADM.FOLDER (DOCNUMBER, IS_PUBLIC) SELECT 900000 + I, 'Y' FROM N"));
    db().execute(levels + QStringLiteral("INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, "
                                         "ISFIRST, \"NEXT\", DOCNUMBER, DISPLAYNAME, LIBRARY) "
                                         "SELECT 900000 + I, 'F', 900000 + I, 'Y', 0, 900001 + I, "
                                         "'level ' || (I + 1), 0 FROM N WHERE I < %1")
                              .arg(kLevels));
    QString out;
    EXPECT_EQ(Folders(out), tools::DmTool::kOk) << out.right(2000).toStdString();
    EXPECT_TRUE(
        out.contains(QStringLiteral("[%1] level %1  (#%2, public)").arg(kLevels).arg(900000 + kLevels)));
    EXPECT_EQ(out.count(QLatin1Char('\n')), kLevels + 1);
}

TEST_F(FolderTreeTest, FoldersThatHoldEachOtherAreReported) {
    const qint64 top = addFolder(QStringLiteral("top"));
    const qint64 a = addFolder(QStringLiteral("a"));
    const qint64 b = addFolder(QStringLiteral("b"));
    const qint64 below = addFolder(QStringLiteral("below b"));
    const struct {
        const char* what;
        std::vector<std::pair<qint64, qint64>> holds; // besides b holding "below b"
        int exitCode;
        QString mentions;
    } cases[] = {
        {"a sound tree", {{top, a}}, tools::DmTool::kOk, QStringLiteral("    a  (#%1").arg(a)},
        {"a folder below itself under a top-level folder",
         {{top, a}, {a, b}, {b, a}},
         tools::DmTool::kChainBroken,
         QStringLiteral("! folder #%1 contains itself further up").arg(a)},
        {"two folders that only hold each other",
         {{a, b}, {b, a}},
         tools::DmTool::kChainBroken,
         QStringLiteral("cycle (#%1 in #%2 in #%1)").arg(a).arg(b)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        db().execute(QStringLiteral("DELETE FROM DOCSADM.FOLDER_ITEM"));
        Hold(b, below);
        for (const auto& [parent, folder] : c.holds)
            Hold(parent, folder);
        QString out;
        EXPECT_EQ(Folders(out), c.exitCode) << out.toStdString();
        EXPECT_TRUE(out.contains(c.mentions)) << out.toStdString();
        // Every folder is listed, also those no top-level folder reaches.
        EXPECT_TRUE(out.contains(QStringLiteral("below b  (#%1").arg(below))) << out.toStdString();
    }
}

// An item row without a document number (a damaged or foreign row) hides no top-level folder.
TEST_F(FolderTreeTest, AnItemRowWithoutADocumentNumberHidesNoTopLevelFolder) {
    const qint64 first = addFolder(QStringLiteral("First"));
    const qint64 second = addFolder(QStringLiteral("Second"));
    addFolder(QStringLiteral("Inside first"), first);
    db().execute(
        QStringLiteral("INSERT INTO DOCSADM.FOLDER_ITEM (SYSTEM_ID, NODE_TYPE, PARENT, ISFIRST, "
                       "\"NEXT\", DOCNUMBER, DISPLAYNAME, LIBRARY) VALUES (?1, 'P', ?2, 'Y', 0, NULL, "
                       "'no number', 0)"),
        {db().nextKey(QStringLiteral("SYSTEMKEY")), second});
    QString out;
    Folders(out);
    EXPECT_TRUE(out.contains(QStringLiteral(": 2 top-level folder(s)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("First  (#%1").arg(first))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Second  (#%1").arg(second))) << out.toStdString();
}

} // namespace
} // namespace vantrelis::dm::local::test
