// The second process of the engine tests.
//   hold PATH shared|exclusive   opens the table, prints "ready", waits for its input to close
//   append PATH N TAG            appends N records titled "TAG i", prints "done"
//   edit PATH N TAG              retitles records round the table N times as "TAG i", prints "done"
//   (both as bulk work: synced once at the end)
//   mix PATH SEED N              N random appends, edits and deletes of records titled "M<i>",
//                                each acknowledged once on disk: "ack append|edit|delete RECNO
//                                TITLE YEAR"; prints "done"
//   pack PATH STEP               packs the table and is killed (SIGKILL) when the pack reaches
//                                STEP (see packStepHook; STEP#N: its N-th time); prints "done"
//                                if it never does
//   retitle PATH RECNO TEXT      begins editing the record, prints "editing", waits for its
//                                input to close, then sets the title and posts: prints "done"
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "dbase/pack_in_place.h"
#include "dbase/table.h"
#include "dbase/table_impl.h"

namespace {
// The step to be killed at, as "STEP" or "STEP#N" (its N-th time).
std::string killAtStep;
int killAtTime = 1;
void killAt(const char* step) {
    if (killAtStep == step && --killAtTime == 0)
        std::raise(SIGKILL);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const std::string command = argv[1];
    dbase::Table t;
    t.setFileName(argv[2]);
    try {
        if (command == "hold" && argc == 4) {
            t.setMode(std::string(argv[3]) == "exclusive" ? dbase::OpenMode::Exclusive
                                                          : dbase::OpenMode::Shared);
            t.open();
            std::cout << "ready" << std::endl;
            std::string line;
            while (std::getline(std::cin, line)) {
            }
            return 0;
        }
        if (command == "append" && argc == 5) {
            t.open();
            const int n = std::atoi(argv[3]);
            const int title = t.fieldIndex("TITLE");
            const int year = t.fieldIndex("YEARPUB");
            std::cout << "ready" << std::endl;
            t.beginBulk();
            for (int i = 1; i <= n; ++i) {
                t.append();
                t.setString(title, std::string(argv[4]) + " " + std::to_string(i));
                t.setFloat(year, i % 10000);
                t.post();
            }
            t.endBulk();
            std::cout << "done" << std::endl;
            return 0;
        }
        if (command == "edit" && argc == 5) {
            t.open();
            const int n = std::atoi(argv[3]);
            const int title = t.fieldIndex("TITLE");
            const std::uint32_t count = t.physicalRecordCount();
            std::cout << "ready" << std::endl;
            t.beginBulk();
            for (int i = 1; i <= n && count > 0; ++i) {
                t.gotoRecNo(static_cast<std::uint32_t>(i) % count + 1);
                t.edit();
                t.setString(title, std::string(argv[4]) + " " + std::to_string(n - i));
                t.post();
            }
            t.endBulk();
            std::cout << "done" << std::endl;
            return 0;
        }
        if (command == "mix" && argc == 5) {
            t.open();
            std::uint32_t seed = static_cast<std::uint32_t>(std::atol(argv[3]));
            const int n = std::atoi(argv[4]);
            auto next = [&seed](std::uint32_t range) {
                seed = seed * 1103515245u + 12345u;
                return (seed >> 8) % range;
            };
            const int title = t.fieldIndex("TITLE");
            const int year = t.fieldIndex("YEARPUB");
            std::cout << "ready" << std::endl;
            for (int i = 1; i <= n; ++i) {
                const std::string name =
                    "M" + std::to_string(seed % 100000) + "x" + std::to_string(i);
                const int y = 1000 + static_cast<int>(next(900));
                const std::uint32_t pick = next(100);
                const std::uint32_t count = t.physicalRecordCount();
                const std::uint32_t target = count > 0 ? next(count) + 1 : 0;
                if (pick < 50 || target == 0 || !t.gotoRecNo(target)) {
                    t.append();
                    t.setString(title, name);
                    t.setFloat(year, y);
                    t.post();
                    std::cout << "ack append " << t.recNo() << " " << name << " " << y << std::endl;
                } else if (pick < 85) {
                    t.edit();
                    t.setString(title, name);
                    t.setFloat(year, y);
                    t.post();
                    std::cout << "ack edit " << target << " " << name << " " << y << std::endl;
                } else {
                    t.deleteRecord();
                    std::cout << "ack delete " << target << " - 0" << std::endl;
                }
            }
            std::cout << "done" << std::endl;
            return 0;
        }
        if (command == "pack" && argc == 4) {
            killAtStep = argv[3];
            if (const auto hash = killAtStep.find('#'); hash != std::string::npos) {
                killAtTime = std::atoi(killAtStep.c_str() + hash + 1);
                killAtStep.resize(hash);
            }
            dbase::packStepHook = killAt;
            // Moves of a few records (those of the sample table are 58 bytes
            // long), so that a small table takes several, with and without
            // the journal carrying them.
            dbase::packChunkSizes = {3 * 58, 4 * 58, 2 * 58};
            t.setMode(dbase::OpenMode::Exclusive);
            t.open();
            t.pack();
            std::cout << "done" << std::endl;
            return 0;
        }
        if (command == "retitle" && argc == 5) {
            t.open();
            if (!t.gotoRecNo(static_cast<std::uint32_t>(std::atoi(argv[3]))))
                return 2;
            t.edit();
            std::cout << "editing" << std::endl;
            std::string line;
            while (std::getline(std::cin, line)) {
            }
            t.setString(t.fieldIndex("TITLE"), argv[4]);
            t.post();
            std::cout << "done" << std::endl;
            return 0;
        }
    } catch (const dbase::Error& e) {
        std::cerr << e.what() << std::endl;
        std::cout << "error " << static_cast<int>(e.kind()) << std::endl;
        return 1;
    }
    return 2;
}
