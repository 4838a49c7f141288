// The main of the PostgreSQL test programs: runs the tests, then stops the cluster they shared.

#include "pg/PgCluster.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    vantrelis::testing::PgCluster::StopShared();
    return result;
}
