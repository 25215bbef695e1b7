/* The floor for irplay's cost: the least a program can do to send a signal
 * file, in C on the C library alone. It makes the system calls irplay's
 * library makes (opens and reads the file, opens the device, checks it and
 * sets it up with the same ioctls, one write of the signal) and prints
 * irplay's line, but checks nothing it need not and parses only the keyword
 * form. With --pause it then pauses 100 ms before closing the file, as
 * irplay does: a process that sleeps costs more CPU time at its exit than one
 * that does not, its memory gone cold meanwhile.
 *
 *   send_floor FILE DEVICE [--pause] */
#include <fcntl.h>
#include <linux/lirc.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static char text[1 << 20];
static uint32_t durations[1024];

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 4 && strcmp(argv[3], "--pause") == 0)) {
        return 2;
    }
    int file = open(argv[1], O_RDWR | O_CLOEXEC);
    if (file < 0) {
        return 1;
    }
    ssize_t size = read(file, text, sizeof text - 1);
    if (size < 0) {
        return 1;
    }
    text[size] = '\0';
    uint32_t carrier = 0;
    size_t count = 0;
    for (char* line = text; *line && count < 1024;) {
        char* end = strchr(line, '\n');
        if (end) {
            *end = '\0';
        }
        if (strncmp(line, "carrier ", 8) == 0) {
            carrier = (uint32_t)strtoul(line + 8, NULL, 10);
        } else if (strncmp(line, "pulse ", 6) == 0 || strncmp(line, "space ", 6) == 0) {
            durations[count++] = (uint32_t)strtoul(line + 6, NULL, 10);
        }
        line = end ? end + 1 : line + strlen(line);
    }
    int device = open(argv[2], O_RDWR | O_CLOEXEC);
    struct stat status;
    uint32_t features = 0, mode = LIRC_MODE_PULSE, everyEmitter = ~0u;
    if (device < 0 || fstat(device, &status) != 0 || !S_ISCHR(status.st_mode) ||
        ioctl(device, LIRC_GET_FEATURES, &features) != 0 || ioctl(device, LIRC_SET_SEND_MODE, &mode) != 0) {
        return 1;
    }
    int emitters = ioctl(device, LIRC_SET_TRANSMITTER_MASK, &everyEmitter);
    uint32_t mask = emitters > 0 && emitters < 32 ? (1u << emitters) - 1 : ~0u;
    if ((carrier && ioctl(device, LIRC_SET_SEND_CARRIER, &carrier) != 0) ||
        ioctl(device, LIRC_SET_TRANSMITTER_MASK, &mask) != 0 ||
        write(device, durations, count * 4) != (ssize_t)(count * 4)) {
        return 1;
    }
    close(device);
    static const char done[] = "Play successfull !\n";
    write(STDOUT_FILENO, done, sizeof done - 1);
    if (argc == 4) {
        struct timespec pause = {0, 100000000};
        nanosleep(&pause, NULL);
    }
    close(file);
    return 0;
}
