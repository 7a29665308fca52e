/* SPDX-License-Identifier: MIT */
/*
 * roviro2_ext.h - extensions of the roviro2 library for POSIX systems.
 *
 * These functions are not part of the PT_ interface. They let an application
 * with its own event loop receive data between its PT_GW_Status polls, fetch
 * a burst of frames in one call, send frames in batches, and decide where the
 * library's notices go; one gives the library's version.
 * Like every function of the library, call them from the thread that called
 * PT_API_Open.
 */
#ifndef ROVIRO2_EXT_H
#define ROVIRO2_EXT_H

#include <stddef.h>

#include "roviro2.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Receives each notice text: "TCP Send Error", "Receive Data Timeout, Giveup
 * old data !", "Receive Data Error, Get Data too much = <length>",
 * "TCP=<slot>, Open=<count>". Called synchronously, in order, on the
 * library's thread; the text is valid only during the call. */
typedef void (*roviro2_notice_fn)(const char *text, void *ctx);

/* Installs fn (with ctx passed back to it) as the receiver of every later
 * notice. A null fn restores the default: each text as one line on stderr. */
ROVIRO2_API void roviro2_set_notice_handler(roviro2_notice_fn fn, void *ctx);

/* Runs every pending socket event (connects, disconnects, arrived data) without
 * waiting, like one pass of a message loop. Returns how many events ran; 0
 * when none was pending or the library is not open. */
ROVIRO2_API int roviro2_dispatch(void);

/* Waits until socket events are pending, at most timeout_ms milliseconds
 * (-1: no bound; 0: no wait), then runs them like roviro2_dispatch and
 * returns how many ran: 0 on time-out, when a signal ended the wait, or when
 * the library is not open. Events the library posted itself run at once,
 * without waiting. For an application that sleeps until its gateways send:
 * the wait and the look at what is ready are one system call, where a poll
 * of roviro2_event_fd followed by roviro2_dispatch costs two. Like
 * roviro2_dispatch, it does not reconnect gateways: PT_GW_Status does. */
ROVIRO2_API int roviro2_wait(int timeout_ms);

/* A descriptor that is readable while socket events are pending: put it into
 * your own poll/select/epoll and call roviro2_dispatch when it is readable.
 * Valid from PT_API_Open to PT_API_Close; -1 when the library is not open. */
ROVIRO2_API int roviro2_event_fd(void);

/* The system's error code (errno) for what ended gateway gwId's last
 * connection attempt or connection: refused, unreachable, timed out, reset.
 * 0 when nothing failed, or when the gateway closed the connection in order
 * (the text then says "closed by the gateway"); -1 for ID 0 or an ID not in
 * the table. When text is not null and size > 0, the error's text is written
 * there, cut to size - 1 bytes, with a zero byte ("" when there is none).
 *
 * A gateway that cannot be reached is retried by PT_GW_Status no sooner than
 * one second after the failed attempt (PT_GW_Status answers 6 meanwhile); a
 * connection lost within a second of being made counts as a failed attempt.
 * PT_GW_Open always starts an attempt at once. */
ROVIRO2_API int roviro2_last_error(uint32_t gwId, char *text, int size);

/* Bounds the memory that frames waiting to be fetched may take. When the
 * frames queued from one gateway (by its gateway byte, the low 8 bits of its
 * ID) reach `bytes`, the library stops reading that gateway's connection
 * until the application has fetched them below half of it: the bytes wait in
 * the system and TCP holds the gateway back. No frame is dropped, other
 * gateways keep flowing, and time spent held does not count toward the
 * receive time-out. 0 means no limit; the default is 16 MiB. Returns the
 * limit that was set before. */
ROVIRO2_API size_t roviro2_set_receive_limit(size_t bytes);

/* Sends in bursts. Between roviro2_batch_begin and roviro2_batch_end,
 * every frame sent to a gateway (by PT_GW_SndMsg or any command) is taken
 * whole into the gateway's output buffer under the same rules as a lone
 * send: it is taken whole or refused with -4 ("TCP Send Error"), and a
 * result of 0 means the frame will go out in order after the frames sent
 * before it. Nothing is written to the system until the end, which writes
 * each gateway's batched bytes with as few system calls as its connection
 * takes, the gateways in the order of their first frame in the batch. A
 * frame that meets a full output buffer inside a batch first has what waits
 * written out, as a lone send would. Outside a batch every frame leaves at
 * once, as before.
 *
 * Batches nest: an inner begin and end only count, the end matching the
 * first begin writes. PT_GW_Status, PT_GW_AllStatus and roviro2_dispatch
 * inside a batch run events as always but do not write batched bytes
 * (except where the connection was already waiting to write). PT_GW_Close
 * and PT_API_Close inside a batch hand over what the batch holds for the
 * connections they close, as they hand over any waiting bytes; PT_API_Close
 * also ends the batch. A connection that is lost before the end loses its
 * batched frames with it, as it loses any bytes still waiting to go out. A
 * begin while the library is not open does nothing. */
ROVIRO2_API void roviro2_batch_begin(void);

/* Ends a batch. Returns the count of gateways whose batched bytes the system
 * could not take all at once: the rest waits in their output buffer and goes
 * out as the connection takes it (at PT_GW_Status or roviro2_dispatch), like
 * the rest of any send that found the system full; a gateway whose
 * connection failed in the write is counted too, and each frame it lost
 * gives a "TCP Send Error" notice (the disconnect follows at the next
 * dispatch). 0 when everything was handed to the system, or for an inner
 * end; -1 when no batch was open. */
ROVIRO2_API int32_t roviro2_batch_end(void);
/* Result of roviro2_fetch_frames when the oldest frame does not fit. */
#define ROVIRO2_FETCH_TOO_SMALL (-2)

/* Copies as many whole frames waiting to be fetched as fit into buffer
 * (size bytes), oldest first, and removes them from the queue: the frames
 * PT_GW_RcvMsg(gwId) would return one call after the other, or, for gwId 0,
 * the frames of every gateway. Each frame is preceded by its size, 2 bytes
 * little-endian, and for gwId 0 then by the gateway byte it was marked with
 * (its byte 4, the low 8 bits of its gateway's ID, as PT_GW_RcvAddr gives
 * it), 2 bytes little-endian. *used receives the count of bytes written.
 *
 * Returns the count of frames copied; 0 when none waits. When the oldest
 * frame with its size (and gateway byte) needs more than size bytes,
 * nothing is copied or removed: the result is ROVIRO2_FETCH_TOO_SMALL and
 * *used the size needed. A frame is never cut and never lost: it is copied
 * whole or stays queued. -1 for an ID not in the table, or a null buffer or
 * used. */
ROVIRO2_API int32_t roviro2_fetch_frames(uint32_t gwId, uint8_t *buffer, uint32_t size,
                                         uint32_t *used);

/* The version of the library loaded, "MAJOR.MINOR.PATCH": the
 * ROVIRO2_VERSION_STRING it was built with. A program built against one
 * version's header can compare it with its own ROVIRO2_VERSION_STRING. */
ROVIRO2_API const char *roviro2_version(void);

/* What `result` means as a result of the function named `function` (for
 * example "PT_GW_Status" and 6: "connecting"), in a few words: a static
 * text, never null; "ok", "refused" or "failed" where the function gives the
 * result no meaning of its own. */
ROVIRO2_API const char *roviro2_result_text(const char *function, int32_t result);

#ifdef __cplusplus
}
#endif

#endif /* ROVIRO2_EXT_H */
