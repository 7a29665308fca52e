/* SPDX-License-Identifier: MIT */
/*
 * roviro2.h - client library for field devices behind TCP gateways.
 *
 * A gateway is a TCP server with two serial lines (port 1 and port 2); the
 * devices ("tags") on each line have an 8-bit node address. The library keeps
 * one connection per gateway, turns each command into one or two binary
 * frames, and queues the frames the gateways send back until they are fetched.
 *
 * Use:
 *   1. PT_API_Open() reads the gateway list from the file IPINDEX in the
 *      current directory (one "ID PORT ADDRESS" line per gateway).
 *   2. PT_GW_Open(id) starts connecting; poll PT_GW_Status(id) until it is 7.
 *   3. Send commands (PT_LB_..., PT_DCS_..., ...) to tag addresses.
 *   4. Poll PT_GW_Status() and fetch replies with PT_GW_RcvMsg() or
 *      PT_Tag_RcvMsg().
 *   5. PT_API_Close() closes every connection.
 *
 * Threads: the library has no threads and no locks. Call every function from
 * the one thread that called PT_API_Open. Socket events (connects, arrived
 * data) are handled only while that thread is inside PT_GW_Status or
 * PT_GW_AllStatus (or roviro2_dispatch, see roviro2_ext.h; on Windows also in
 * the thread's own message loop). One call handles what is pending, up to a
 * bound of a few events per connection, so that a gateway that streams
 * without pause cannot hold the caller: the rest waits for the next call.
 *
 * Conventions:
 *   - Every argument is a 32-bit slot. A gateway ID uses the low 16 bits of
 *     its argument; "byte" arguments use the low 8 bits and 16-bit arguments
 *     the low 16 bits, as each function says.
 *   - A tag address (tagAddr) is: gateway ID in bits 16-31, port selector in
 *     bits 8-15 (exactly 1 = port 1, any other value = port 2), node in bits
 *     0-7. ROVIRO2_TAG_ADDR() builds one.
 *   - Every function returns a signed 32-bit result. Command functions return
 *     their own argument error (negative, nothing sent) or the result of
 *     PT_GW_SndMsg: 0 sent, -1 gateway ID 0 or unknown, -2 gateway never
 *     opened, -3 connection not up, -4 bad length or a failed send. The codes
 *     overlap: a command's own -2 or -4 looks like the sender's.
 *   - Output buffers belong to the caller and their size is never passed: the
 *     caller provides the room that each function names.
 *   - Before PT_API_Open and after PT_API_Close the gateway table functions
 *     work as usual; everything else does nothing and answers 0 or a negative
 *     code: PT_GW_Open -2 (no connection can start), PT_GW_Status 0, the
 *     sender -1 or -2, every command its own argument error or the sender's
 *     code (PT_GW_TagDiag 0 when it sends nothing), the fetch functions 0.
 *   - A null pointer where a function writes its results is refused with -1
 *     and nothing is taken from the receive queue.
 *   - No function throws or aborts, whatever the network, IPINDEX or the
 *     system's memory do: a failure is a negative result (or, for reception,
 *     bytes that wait in the socket until a later poll can queue them).
 *   - Transport trouble is also reported as a notice text (see roviro2_ext.h):
 *     "TCP Send Error", "Receive Data Timeout, Giveup old data !",
 *     "Receive Data Error, Get Data too much = <length>",
 *     "TCP=<slot>, Open=<count>".
 *
 * The header is plain C (C99 or later) and usable from C++.
 */
#ifndef ROVIRO2_H
#define ROVIRO2_H

#include <stdint.h>

/* The library's version, the same as the build's (the build stops when they
 * differ). At run time, roviro2_version() gives the version of the library
 * actually loaded. */
#define ROVIRO2_VERSION_MAJOR 1
#define ROVIRO2_VERSION_MINOR 1
#define ROVIRO2_VERSION_PATCH 0
#define ROVIRO2_VERSION_STRING "1.1.0"

/* Calling convention: the standard one of system libraries on 32-bit Windows. */
#if defined(_WIN32) && !defined(_WIN64)
#define ROVIRO2_CALL __stdcall
#else
#define ROVIRO2_CALL
#endif

/* Export marking: set while the library itself is built. */
#if defined(ROVIRO2_BUILD)
#if defined(_WIN32)
#define ROVIRO2_API __declspec(dllexport)
#else
#define ROVIRO2_API __attribute__((visibility("default")))
#endif
#else
#define ROVIRO2_API
#endif

/* Builds a tag address from gateway ID, port (1 or 2) and node. */
#define ROVIRO2_TAG_ADDR(gwId, port, node) \
  ((((uint32_t)(gwId)&0xFFFFu) << 16) | (((uint32_t)(port)&0xFFu) << 8) | ((uint32_t)(node)&0xFFu))

/* Connection statuses: PT_GW_Status, PT_GW_Open, PT_GW_AllStatus (one byte
 * each there: 0xFF is -1, 0xFE is -2). */
#define ROVIRO2_CONNECTED 7
#define ROVIRO2_CONNECTING 6
#define ROVIRO2_NOT_CONNECTED 0
#define ROVIRO2_CANNOT_START (-2) /* a connection attempt could not start */

/* Results of PT_GW_SndMsg, which every command passes on unchanged. A
 * command's own argument checks return values of the same range (see each
 * function; roviro2_result_text says what a result of a function means). */
#define ROVIRO2_SENT 0
#define ROVIRO2_NO_GATEWAY (-1)   /* gateway ID 0, or not in the table */
#define ROVIRO2_NEVER_OPENED (-2) /* PT_GW_Open was never called for it */
#define ROVIRO2_NOT_UP (-3)       /* its connection is not up */
#define ROVIRO2_SEND_FAILED (-4)  /* bad length, full, or the connection failed */

/* Results of PT_Tag_RcvMsg. */
#define ROVIRO2_FRAME_TAKEN 1
#define ROVIRO2_NO_FRAME 0
#define ROVIRO2_DAMAGED_FRAME (-2) /* a damaged frame was dropped: ask again */

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Library lifecycle ------------------------------------------------- */

/* Opens the library and loads the gateway table from ./IPINDEX. Lines end in
 * CR LF, CR or LF; only a regular file is read (never a directory, FIFO or
 * device, and opening never waits), and only its first MiB. Returns the
 * number of gateways loaded (0-256), or -1 when IPINDEX cannot be opened or
 * holds a malformed number (the table is then empty but usable through
 * PT_GW_InsConf). Discards queued frames when the file was read. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_API_Open(void);

/* Closes every gateway connection, each as PT_GW_Close does (frames still
 * waiting to go out included), and discards queued frames. The gateway table
 * keeps its entries. Always returns 0; harmless when not open. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_API_Close(void);

/* ---- Gateway table ------------------------------------------------------ */

/* Number of gateway entries, 0-256 (deleted entries keep their slot). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Cnt(void);

/* Reads entry `index` (low 16 bits): ID to *idOut (0 for a deleted entry),
 * port to *portOut and the address text with its zero byte to ipOut. At most
 * 16 bytes are written to ipOut: a longer text (from IPINDEX or
 * PT_GW_InsConf) is cut to its first 15 characters there, while the table
 * keeps and connects to the whole text. Returns 1, or -1 when the index is
 * not below PT_GW_Cnt() (nothing written). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Conf(uint32_t index, uint16_t *idOut, char *ipOut,
                                            int32_t *portOut);

/* ID of entry `index` (low 16 bits; 0 for a deleted entry), or -1 when the
 * index is not below PT_GW_Cnt(). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Ndx2ID(uint32_t index);

/* Slot index of the first entry with gateway ID gwId; -1 for ID 0, -2 when no
 * entry has it. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_ID2Ndx(uint32_t gwId);

/* Appends an entry. Returns its index; -2 when the ID is present, -3 when an
 * entry (deleted ones included) has the same address text and port, -1 when
 * the table holds 256 entries. ipAddr is taken as given (not trimmed), up to
 * its zero byte or its 1024th character. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_InsConf(uint32_t gwId, const char *ipAddr, uint32_t port);

/* Changes the address and port of gateway gwId; an open connection keeps its
 * old address until it is reopened. Returns the index, or -1 (ID 0 or unknown). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_UpdConf(uint32_t gwId, const char *ipAddr, uint32_t port);

/* Marks the entry of gateway gwId deleted (its ID becomes 0; slot, address and
 * connection stay). Returns the index, or -1 (ID 0 or unknown). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_DelConf(uint32_t gwId);

/* Stores gwId as the default gateway, for the application's own use. Returns
 * the entry's index, or -1 (ID 0 or unknown; the default is unchanged). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SetDefault(uint32_t gwId);

/* The stored default gateway ID (low 16 bits); 0 after every PT_API_Open. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_GetDefault(void);

/* ---- Connections -------------------------------------------------------- */

/* Starts connecting gateway gwId (0: every entry). Returns 6 (connecting or
 * already connected), -2 (an attempt could not start: bad address, or the
 * address changed while connected), 0 (ID 0 and no entries), -1 (unknown ID). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Open(uint32_t gwId);

/* Closes gateway gwId (0: every entry) and stops reconnecting it. Returns 0,
 * or -1 for an unknown ID. Close never waits for the gateway. Of the frames
 * that PT_GW_SndMsg accepted and that still wait in the library, the system
 * takes as many whole frames as it can without waiting, and delivers them
 * after the close; on Windows it takes only the rest of a frame already
 * begun. Every other one is dropped with one notice "TCP Send Error" (one
 * per piece of a long frame). Bytes from the gateway that no poll has read
 * yet are discarded. Data that the gateway sends after the close makes the system
 * reset the connection, losing what it had not delivered yet. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Close(uint32_t gwId);

/* Handles pending socket events, then reports gateway gwId: 7 connected,
 * 6 connecting, 0 not connected and not wanted (or never opened), -1 ID 0 or
 * unknown. A wanted gateway that is down is reconnected here (6, or -2 when the
 * attempt cannot start), but no sooner than one second after its last attempt
 * failed or its connection died within a second of being made: meanwhile the
 * answer is 6. roviro2_last_error (roviro2_ext.h) tells why it is down. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_Status(uint32_t gwId);

/* PT_GW_Status of every entry: the low byte of each result goes to
 * statusBuf[index] (room for PT_GW_Cnt() bytes, as it was when the call began;
 * 0xFF for a deleted entry). Returns that count, or -1 for a null statusBuf
 * while entries exist. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_AllStatus(uint8_t *statusBuf);

/* ---- Sending ------------------------------------------------------------- */

/* Sends one frame to gateway gwId. frame[0..1] is the little-endian total
 * length (header included), frame[2] the port code (0x60 port 1, 0x61 port 2),
 * frame[6] the command, frame[7] the node, data from frame[8]. Frames of 8198
 * bytes or more go out as pieces of at most 8190 data bytes, each with the
 * frame's header. The connection takes every byte of a frame or none: what
 * the network cannot take at once waits in order (up to 1 MiB per gateway)
 * and goes out during later calls. Returns 0, -1 (ID 0 or unknown), -2 (never
 * opened), -3 (not connected), -4 (length below 6 or a null frame; or, with
 * the notice "TCP Send Error", its 1 MiB is full, and nothing of the frame
 * was sent; or the connection failed, and is closed: the earlier pieces of a
 * long frame may have gone out). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SndMsg(uint32_t gwId, const uint8_t *frame);

/* ---- Receiving ----------------------------------------------------------- */

/* Size of the oldest queued frame of gateway gwId (0: of any gateway); 0 when
 * none; -1 for an unknown ID. The frame stays queued. Only IDs 1-255 can be
 * told apart: received frames carry the low 8 bits of the gateway ID. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvReady(uint32_t gwId);

/* Moves that frame, whole, into buffer (room for 8198 bytes) and returns its
 * size; 0 when none; -1 for an unknown ID. Byte 4 holds the gateway ID. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvMsg(uint32_t gwId, uint8_t *buffer);

/* Like PT_GW_RcvMsg, but keeps the frame inside the library for the field
 * functions below. Returns its size, 0 or -1 (the kept frame is unchanged). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvData(uint32_t gwId);

/* Gateway byte (byte 4) of the kept frame, or 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvAddr(void);

/* Port of the kept frame: 1 for code 0x60, 2 for 0x61, else 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvPort(void);

/* Node (byte 7) of the kept frame, or 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvTagNode(void);

/* Command (byte 6) of the kept frame, or 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvTagCmd(void);

/* Copies the kept frame's data (bytes 8 to the end) into buffer (room for
 * 8190 bytes) and returns their count; 0 when it has none. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_RcvTagData(uint8_t *buffer);

/* Takes the oldest queued frame matching *tagAddr (a zero gateway, port or
 * node part matches any) and *command (-1: any). On 1 it writes the source
 * tag address, the command, the status (-1 for commands 0-15 and 0x28, which
 * carry none; byte 7 for command 9, whose node part is then 0; else byte 8)
 * and the data (room for 8190 bytes) with its length. Returns 1, 0 when none
 * matched, -2 when a damaged frame was found and dropped (call again). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_Tag_RcvMsg(uint32_t *tagAddr, int16_t *command, int16_t *status,
                                               uint8_t *data, int16_t *dataLength);

/* ---- Gateway poll and tag maintenance ----------------------------------- */

/* Sets the poll range (low byte of pollRange) of one port of gateway gwId:
 * port 1 exactly selects port 1, anything else port 2. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_SetPollRang(uint32_t gwId, int32_t port, uint32_t pollRange);

/* Sends the diagnosis request to gateway gwId (0: every entry), portSel 0 both
 * ports, 1 port 1, 2 port 2 (other values send nothing and return 0). Returns
 * -1 for an unknown ID, else the result of the last send (0 when none). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_GW_TagDiag(uint32_t gwId, int32_t portSel);

/* Gives the tag a new node address (low byte of newNode). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_Tag_ChgAddr(uint32_t tagAddr, uint32_t newNode);

/* Resets the tag. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_Tag_Reset(uint32_t tagAddr);

/* ---- LB: six-character display tags -------------------------------------
 * Display mode dspMode (low 16 bits, signed) of the display functions:
 *   <= -3: commands 1 then 3 (display off); -2: command 1 alone; -1: show
 *   with command 16; 0: show with command 0; 1..32767: a preset frame with
 *   that value, then show with command 16. Only the show frame's result (or
 *   the last frame's) is returned. */

/* Shows number (-99999..999999, right-aligned); extraByte (low byte) follows
 * the six characters. -2 when number is out of range (nothing sent). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspNum(uint32_t tagAddr, int32_t number, uint32_t extraByte,
                                              int32_t dspMode);

/* Shows up to six characters of text, right-aligned; extraByte follows.
 * A null text is empty. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspStr(uint32_t tagAddr, const char *text,
                                              uint32_t extraByte, int32_t dspMode);

/* Shows up to 20 characters of text as they are. A null text is empty. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspStr2(uint32_t tagAddr, const char *text, int32_t dspMode);

/* Turns the display off. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspOff(uint32_t tagAddr);

/* Shows the tag's own address. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_DspAddr(uint32_t tagAddr);

/* Switches an LED: ledType (low byte) 0, 1 or 2; preset (low 16 bits) non-zero
 * sends a preset value first. -4 when ledType > 2. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_LedOn(uint32_t tagAddr, uint32_t ledType, uint32_t preset);

/* Buzzer on (state, low byte, 1) or off (0). -5 when the low byte > 1. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_BuzOn(uint32_t tagAddr, uint32_t state);

/* Mode setting: mode (low byte) 1 or any other value. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_SetMode(uint32_t tagAddr, uint32_t mode);

/* Simulation setting: flag (low byte) 1 or any other value. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_Simulate(uint32_t tagAddr, uint32_t flag);

/* Lock settings: lock (low byte) 1 locks, 0 or 2 unlocks, the locks named by
 * bit 1 and bit 0 of lockBits. Returns the last send's result, 0 when no bit
 * is set, -6 when lock > 2. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB_SetLock(uint32_t tagAddr, uint32_t lock, uint32_t lockBits);

/* ---- LB2: display tags with ten characters ------------------------------ */

/* Shows up to ten characters of text; dspMode as for the LB tags. A null text
 * is empty. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB2_DspStr(uint32_t tagAddr, const char *text, int32_t dspMode);

/* Sets the row count, rows (low 16 bits, signed) 1..12; -2 otherwise. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB2_SetRows(uint32_t tagAddr, int32_t rows);

/* Downloads up to ten characters of text after leadByte (low byte). A null
 * text is empty. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_LB2_Download(uint32_t tagAddr, uint32_t leadByte,
                                                 const char *text);

/* ---- CCD scanners and CNV converters ------------------------------------ */

/* Tells the scanner to scan again. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_CCD_Rescan(uint32_t tagAddr);

/* Sends length (low 16 bits, 0..8192) raw bytes from data, zero bytes
 * included. -4 when length is negative or above 8192, or data is null with a
 * length above 0 (nothing sent). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_CNV_SendData(uint32_t tagAddr, const uint8_t *data,
                                                 int32_t length);

/* Sets the converter's terminator byte (low byte). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_CNV_SetTerminator(uint32_t tagAddr, uint32_t terminator);

/* ---- DCS: data collection terminals --------------------------------------
 * Byte arguments use their low 8 bits; a failed check returns -4 and sends
 * nothing. */

/* Input mode: the character '0'..'4' (0x30..0x34). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_InputMode(uint32_t tagAddr, uint32_t mode);

/* Input buffer size 0..127. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_BufSize(uint32_t tagAddr, uint32_t bufSize);

/* Configuration from two masks; where both have a bit set, maskA decides. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SetConf(uint32_t tagAddr, uint32_t maskA, uint32_t maskB);

/* Asks for the configuration (the answer arrives as a received frame). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ReqConf(uint32_t tagAddr);

/* Asks for the version (the answer arrives as a received frame). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_GetVer(uint32_t tagAddr);

/* Resets the terminal. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_Reset(uint32_t tagAddr);

/* Number of display rows, 4..8. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SetRows(uint32_t tagAddr, uint32_t rows);

/* Simulates a key press, keyCode 0..127. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SimulateKey(uint32_t tagAddr, uint32_t keyCode);

/* Clears the screen. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_Cls(uint32_t tagAddr);

/* Sounds the buzzer with two parameter bytes. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_Buzzer(uint32_t tagAddr, uint32_t param1, uint32_t param2);

/* Scrolls up by param, 0..127. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollUp(uint32_t tagAddr, uint32_t param);

/* Scrolls down by param, 0..127. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollDown(uint32_t tagAddr, uint32_t param);

/* Scrolls to the top. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollHome(uint32_t tagAddr);

/* Scrolls to the end. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_ScrollEnd(uint32_t tagAddr);

/* Moves the cursor to row and column (low bytes, no range check). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_SetCursor(uint32_t tagAddr, uint32_t row, uint32_t column);

/* Writes length (low 16 bits) bytes of text as they are; a negative length
 * (bit 15 set) takes the text up to its zero byte. -4 when the count is above
 * 8192, or text is null with a count above 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_DspStrE(uint32_t tagAddr, const char *text, int32_t length);

/* Writes length bytes of text as two hexadecimal digits each (length as for
 * PT_DCS_DspStrE). -4 when the count is above 4096, or text is null with a
 * count above 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DCS_DspStrC(uint32_t tagAddr, const char *text, int32_t length);

/* ---- DT2: counter terminals ---------------------------------------------- */

/* Shows length (low 16 bits, 0..8191) bytes of text as they are. -4 when the
 * length is negative or above 8191, or text is null with a length above 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_DspStr(uint32_t tagAddr, const char *text, int32_t length);

/* Enables the counter. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_EnableCounter(uint32_t tagAddr);

/* Disables the counter. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_DisableCounter(uint32_t tagAddr);

/* Asks for the counter value (the answer arrives as a received frame). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_ReadCounter(uint32_t tagAddr);

/* Sets the counter to value (low 16 bits). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_SetCounter(uint32_t tagAddr, uint32_t value);

/* Automatic counter reports on (low byte of enable non-zero) or off. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_AutoReport(uint32_t tagAddr, uint32_t enable);

/* Sounds the buzzer with two parameter bytes. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_Buzzer(uint32_t tagAddr, uint32_t param1, uint32_t param2);

/* Function key setting (low byte of param). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_FunKeyConfig(uint32_t tagAddr, uint32_t param);

/* Terminator byte setting (low byte). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DT2_Terminator(uint32_t tagAddr, uint32_t terminator);

/* ---- DIO: digital I/O modules -------------------------------------------- */

/* Asks for the input and output status (the answer arrives as a received
 * frame). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DIO_ReadIoStatus(uint32_t tagAddr);

/* channel (low 16 bits, signed) 0: all sixteen outputs from the bits of value
 * (bit k = output k+1); 1..16: that output on (low 16 bits of value non-zero)
 * or off. Other channels select output ((channel - 1) mod 32) + 1, none when
 * that is above 16: 17..32 select none, 33 acts as 1, -1 selects none. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DIO_SetDO(uint32_t tagAddr, int32_t channel, uint32_t value);

/* Input reporting mode: rspMode (low 16 bits) non-zero 'A', zero 'N'. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_DIO_SetDiRspMode(uint32_t tagAddr, uint32_t rspMode);

/* ---- KBN: message boards -------------------------------------------------
 * option > 0 adds the optional display block; msgParam is sent in hex. */

/* Clears the board. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_Clear(uint32_t tagAddr);

/* Shows text (null: empty). -4 when the message does not fit one frame: for
 * msgParam 0..255 at most 4083 text bytes, 4075 with option > 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_DspMsg(uint32_t tagAddr, const char *text, int32_t msgParam,
                                               int32_t option);

/* Stores text (null: empty) in segment (low 16 bits, signed). -4 when it does
 * not fit one frame: for segment and msgParam 0..255 at most 4082 text bytes,
 * 4074 with option > 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_SegDownload(uint32_t tagAddr, int32_t segment,
                                                    const char *text, int32_t msgParam,
                                                    int32_t option);

/* Deletes segment (low 16 bits, signed). */
ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_SegDel(uint32_t tagAddr, int32_t segment);

/* Shows the count (low 16 bits, signed) segments listed in segments; a count
 * of 0 or less shows none. -4 when count > 4094, or segments is null with a
 * count above 0. */
ROVIRO2_API int32_t ROVIRO2_CALL PT_KBN_SegDsp(uint32_t tagAddr, const uint8_t *segments,
                                               int32_t count);

#ifdef __cplusplus
}
#endif

#endif /* ROVIRO2_H */
