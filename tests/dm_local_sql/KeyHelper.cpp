// Takes keys from a library's counter and prints one per line: dm_local_key_helper FILE ENGINE COUNT
#include "common/Fault.h"
#include "dm/local/LibraryDatabase.h"

#include <QString>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    try {
        const auto db =
            vantrelis::dm::local::LibraryDatabase::Open(QString::fromLocal8Bit(argv[1]), std::atoi(argv[2]));
        const int count = std::atoi(argv[3]);
        for (int i = 0; i < count; ++i)
            std::printf("%lld\n", static_cast<long long>(db->nextKey(QStringLiteral("SYSTEMKEY"))));
    } catch (const vantrelis::Fault& fault) {
        std::fprintf(stderr, "%s\n", fault.what());
        return 1;
    }
    return 0;
}
