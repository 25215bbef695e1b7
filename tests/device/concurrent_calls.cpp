// A host that calls the library from several threads at once: two threads
// record, into the files named first and second, while a third plays the
// file named third. Prints each call's result, in that order, on one line.
//
//   concurrent_calls OUT1 OUT2 KEY
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "transceiver/transceiver.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: concurrent_calls OUT1 OUT2 KEY\n");
        return 2;
    }
    int files[3] = {open(argv[1], O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644),
                    open(argv[2], O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644),
                    open(argv[3], O_RDWR | O_CLOEXEC)};
    int32_t results[3] = {};
    std::thread first([&] { results[0] = RecordToFile(files[0], 5000); });
    std::thread second([&] { results[1] = RecordToFile(files[1], 5000); });
    std::thread third([&] {
        SelectBlasterPort(2);
        results[2] = PlayFromFile(files[2]);
    });
    first.join();
    second.join();
    third.join();
    std::printf("%d %d %d\n", results[0], results[1], results[2]);
    for (int file : files) {
        close(file);
    }
    return 0;
}
