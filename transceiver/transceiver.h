/* The three operations of the Ostrel transceiver library, as irplay and
 * irrecord call them. Every library put in the programs' place provides
 * them with C linkage; on Windows they are __stdcall and are imported from
 * OSTREL.dll by ordinal (9, 5 and 4).
 *
 * The Linux library may be called from several threads at once: the
 * operations run one at a time, each waiting for the one before it to
 * return, since the device's settings and the chosen port belong to the
 * process. A call is not to be made from a signal handler.
 */
#ifndef TRANSCEIVER_H
#define TRANSCEIVER_H

#include <stdint.h>

#ifdef _WIN32
/* The HANDLE that CreateFileA returned. */
typedef void *TransceiverFile;
#define TRANSCEIVER_CALL __stdcall
#else
/* The open file's descriptor. */
typedef int TransceiverFile;
#define TRANSCEIVER_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Chooses the blaster port through which the next PlayFromFile sends.
 * Ports 1 and 2 are the transceiver's two emitters; port 0 is the default
 * of a run without -b. Returns nonzero when the port was taken. */
int32_t TRANSCEIVER_CALL SelectBlasterPort(int32_t port);

/* Sends the IR signal held in the open file through the chosen port.
 * Reads the file through the handle, never closes it and does not keep it.
 * Returns nonzero when the whole signal was sent, zero when not. */
int32_t TRANSCEIVER_CALL PlayFromFile(TransceiverFile file);

/* Records one IR signal, a whole key press, into the open, empty file,
 * waiting at most waitMilliseconds for it to begin. Writes the file through the handle,
 * never closes it and does not keep it. Returns nonzero when a signal was
 * recorded and written whole, zero when not. */
int32_t TRANSCEIVER_CALL RecordToFile(TransceiverFile file, int32_t waitMilliseconds);

#ifdef __cplusplus
}
#endif

#endif
