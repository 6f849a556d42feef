/*
 * vornc: client library for the fingerprint terminals (device types 120, 121, 122, 130,
 * 131, 220, 320, 321) and device type 1000 (a connection without terminal functions).
 *
 * An open returns a handle, the index 0..63 of a slot in the library's device table;
 * every other operation takes it first. One handle must be used by one thread at a
 * time: replies are matched to commands by their order alone.
 *
 * Results are 32-bit signed: 0 (or the handle, a byte, a length) on success, and these
 * codes on failure, one meaning each throughout the library:
 */
#ifndef VORNC_H
#define VORNC_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VORNC_API __attribute__((visibility("default")))

enum {
  VORN_OK = 0,
  VORN_NO_REPLY = -1,       /* no reply, a reply of the wrong length, or one that failed a check */
  VORN_SEND_FAILED = -2,    /* the command could not be sent; also: handle outside 0..63 */
  VORN_NOT_SUPPORTED = -3,  /* not supported by the slot's device type; nothing was sent */
  VORN_NO_SOCKET = -4,      /* open: no socket; activity watchdog: not supported */
  VORN_HOST_NOT_FOUND = -5, /* open: the host name did not resolve */
  VORN_CONNECT_FAILED = -6, /* open: the connection could not be made */
  VORN_NONBLOCKING_FAILED = -7,
  VORN_NO_IMAGE_BUFFER = -8,
  VORN_NO_RECEIVE_BUFFER = -9,
  VORN_TYPE_UNKNOWN = -10, /* open on a socket with type query: the terminal did not tell */
  VORN_TIMEOUT = -20,      /* the reply did not arrive in time */
  VORN_NO_MEMORY = -21,
  VORN_CONFIG_NOT_LOADED = -30 /* the configuration block was not read first */
};

/*
 * Decisions of this implementation where the protocol leaves a choice:
 * - A handle outside 0..63 touches nothing outside the table: operations that send
 *   return VORN_SEND_FAILED, operations that only read a slot field return 0.
 * - An open when all 64 slots are taken returns VORN_NO_REPLY (-1), connects to
 *   nothing, and makes the open pause like every failed open.
 * - An open with device type 0 (the mark of a free slot) is refused at once with
 *   VORN_NOT_SUPPORTED, before any connection is made.
 * - A host name longer than the 18-byte field of the slot is stored cut to 17
 *   characters and zero-terminated; the connection uses the whole name.
 * - When the parameter read made by an open gets no reply, the raw-image flag is 0.
 * - A null buffer pointer where an operation writes or reads caller bytes is refused
 *   with VORN_NO_REPLY before anything is sent.
 * - Sends never raise SIGPIPE: a terminal that dropped the connection gives
 *   VORN_SEND_FAILED.
 * - The block read by vornReadConfiguration is kept in the slot apart from the image
 *   buffer, so an image fetched between the read and vornWriteConfiguration can never
 *   reach the terminal as its parameter block.
 * - Connections the library makes or is given send each command at once (no Nagle
 *   delay), so the pauses between commands reach the terminal as timed.
 * - The opens on a caller's socket refuse a descriptor that is not a stream socket (a
 *   file, a device) with VORN_NONBLOCKING_FAILED (-7), and leave it exactly as it was:
 *   its mode unchanged, not kept, not closed.
 * - A negative serial size is refused with VORN_NO_REPLY (-1) before anything is sent;
 *   taken modulo 256 it would send bytes the caller never offered.
 * - vornReadTemplateFromNESK and vornReadTemplateFromMemoryNESK never write past `size`
 *   bytes of the caller's buffer: a last block shorter than 1024 bytes is received into
 *   a scratch block and only its first size % 1024 bytes (or fewer, if fewer came) are
 *   copied.
 * - vornWriteTemplateToNESK with size 0 sends the begin and end commands and no data
 *   block, and returns 0 (lastStatus 0).
 * - The store operations refuse a null buffer, user number or name, and a negative
 *   size, with VORN_NO_REPLY (-1) before anything is sent.

 * - An address text of 64 characters or more (beyond the 64-byte working buffer with its
 *   terminating zero) is refused with VORN_NO_REPLY (-1) and changes nothing: a text
 *   cut short could silently set another address than the one meant.

 * - vornUpdateFirmwareM3 refuses an empty image, or one longer than the 128000 bytes
 *   the terminal reads back, with VORN_NO_REPLY (-1) before anything is sent: such an
 *   image could not be checked before the terminal is told to start it.
 * - vornUpdateFirmwareM3 tells the terminal to start the new image only when the length
 *   write was acknowledged and every page was read back whole and equal; a read that
 *   failed counts as a difference (0), so a silent terminal never passes for an updated
 *   one, whatever the image holds.
 * - A negative length of the web and M4 updates is refused with VORN_NO_REPLY (-1)
 *   before anything is sent.
 */

/* ---- Library and connection ---- */

/* The library's constant version text. */
VORNC_API const char* vornGetSDKVersion(void);
/* Sets the pause made after every vornOpenDevice (default 1000 ms); returns the value. */
VORNC_API int32_t vornSetOpenTimeout(int32_t milliseconds);
/* Connects to a terminal; handle 0..63, or -1 (table full), -3 (type 0), -4..-9.
 * Pauses the open time-out, reads the parameter block (not types 320, 321, 1000) and
 * lights the yellow LED (not type 1000) unless vornDisableYellowLED was called. */
VORNC_API int32_t vornOpenDevice(int32_t deviceType, const char* host, int32_t port);
/* Opens a slot on a connected socket of the caller's; handle, or -1, -3, -7 (also: not
 * a stream socket), -8, -9. On success the socket belongs to the slot; on failure it
 * stays the caller's. */
VORNC_API int32_t vornOpenDeviceBySocket(int32_t deviceType, int32_t socket);
/* As vornOpenDeviceBySocket, asking the terminal for its type; also -10. */
VORNC_API int32_t vornOpenDeviceBySocketI(int32_t socket);
/* Switches the yellow LED off, closes the connection and frees the slot; 0. */
VORNC_API int32_t vornCloseDevice(int32_t handle);
/* Asks the terminal to close the connection from its side; 0 or -2. */
VORNC_API int32_t vornCloseSocketByDevice(int32_t handle);
/* The same, awaiting the terminal's one-byte answer; 0, -1 or -2. */
VORNC_API int32_t vornCloseSocketByDeviceA(int32_t handle);
/* The slot's device type, 0 for a free slot. */
VORNC_API int32_t vornGetType(int32_t handle);
/* The device type the terminal answers, or -1 (no answer), -2 (send failed, unknown type). */
VORNC_API int32_t vornGetDeviceType(int32_t handle);
/* The terminal's type byte into *out; 0, -1 (no answer) or -3 (send failed). */
VORNC_API int32_t vornGetTypeDevice(int32_t handle, unsigned char* out);
/* The terminal's channel-type byte into *out; 0, -1 or -3. */
VORNC_API int32_t vornGetTypeChannel(int32_t handle, unsigned char* out);
/* Open, switch the terminal's active mode on (off), close; 0, an open error, or -2. */
VORNC_API int32_t vornStartActive(int32_t deviceType, const char* host, int32_t port);
VORNC_API int32_t vornStopActive(int32_t deviceType, const char* host, int32_t port);

/* ---- Identity and configuration block ---- */

/* The terminal's 8 version bytes; 0, -1, -2, -3 or -20. */
VORNC_API int32_t vornGetVersion(int32_t handle, unsigned char* version);
/* The 128-byte parameter block; 0, -1, -2, -3 or -20. The series-120, 220 and 320
 * terminals' read cannot tell silence from success: 0, with the buffer unchanged. */
VORNC_API int32_t vornGetParam(int32_t handle, unsigned char* params);
/* Writes the 128-byte parameter block; 0, -2, -3 or -20. */
VORNC_API int32_t vornSetParam(int32_t handle, const unsigned char* params);
/* Reads the block into the slot for the network-setting operations; 0, -2 or -3. */
VORNC_API int32_t vornReadConfiguration(int32_t handle);
/* Writes the block held in the slot back; 0, -2, -3 or -30 (not read first). */
VORNC_API int32_t vornWriteConfiguration(int32_t handle);
/* Reboots the terminal; 0, -2 or -3. Close the handle afterwards. */
VORNC_API int32_t vornReboot(int32_t handle);

/* ---- Network settings and activity watchdog ---- */

/* Edit the network settings in the block read by vornReadConfiguration (types 120, 121,
 * 122, 131; types 130, 220, 320, 321 answer 0 and touch nothing); vornWriteConfiguration
 * sends them. Address texts are dotted decimal, '.' or ':' between the parts; a part
 * missing keeps its byte, each part keeps its low 8 bits.
 * Setters: 0, -1 (null or 64 characters or more), -3 or -30 (no block read). */
VORNC_API int32_t vornSetIPaddress(int32_t handle, const char* text);
VORNC_API int32_t vornSetIPGetway(int32_t handle, const char* text);
VORNC_API int32_t vornSetMask(int32_t handle, const char* text);
VORNC_API int32_t vornSetIPServerAddress(int32_t handle, const char* text);
/* The address as text into a buffer of at least 16 bytes; 0, -1 (null), -3 or -30. */
VORNC_API int32_t vornGetIPaddress(int32_t handle, char* text);
VORNC_API int32_t vornGetIPGetway(int32_t handle, char* text);
VORNC_API int32_t vornGetMask(int32_t handle, char* text);
VORNC_API int32_t vornGetIPServerAddress(int32_t handle, char* text);
/* Stores the low 16 bits of `port`; 0, -3 or -30. */
VORNC_API int32_t vornSetPort(int32_t handle, int32_t port);
VORNC_API int32_t vornSetPortServer(int32_t handle, int32_t port);
/* The port into *port; 0, -1 (null), -3 or -30. */
VORNC_API int32_t vornGetPort(int32_t handle, uint16_t* port);
VORNC_API int32_t vornGetPortServer(int32_t handle, uint16_t* port);
/* Activity watchdog, type 121 only (other terminal types -4, other values -3).
 * Arm with the low byte of `value` / reset; 0, -2, -3 or -4. */
VORNC_API int32_t vornSetActivityWatchdog(int32_t handle, int32_t value);
VORNC_API int32_t vornResetActivityWatchdog(int32_t handle);
/* The watchdog's status byte 0..255; -1 (no 2-byte answer in 2000 ms), -2, -3 or -4. */
VORNC_API int32_t vornGetStatusActivityWatchdog(int32_t handle);

/* ---- Indicators and outputs ---- */

/* LED codes: 2 yellow, 16 and 32 the other two; their complements 253, 239, 223 switch
 * them off; 'P' and 'Q' are understood by some models. */
/* 0, -1 (type 321: no acknowledgement), -2, -3 or -20 (type 122: no reply). */
VORNC_API int32_t vornLedON(int32_t handle, int32_t code);
VORNC_API int32_t vornLedOFF(int32_t handle, int32_t code);
/* LED on a timer; `value` goes to the terminal unchanged. 0, -1, -2 or -3. */
VORNC_API int32_t vornLedTimer(int32_t handle, int32_t code, int32_t value);
/* LED 32 (type 2: LED 16) on for `milliseconds`; the result of switching it off. */
VORNC_API int32_t vornFlashLED(int32_t handle, int32_t type, int32_t milliseconds);
/* Stop (resume) lighting the yellow LED at open and clearing it at close. */
VORNC_API void vornDisableYellowLED(void);
VORNC_API void vornEnableYellowLED(void);
/* Relay on for `milliseconds`, then off; 0 or -2. */
VORNC_API int32_t vornRelay(int32_t handle, int32_t milliseconds);
VORNC_API int32_t vornRelayON(int32_t handle);
VORNC_API int32_t vornRelayOFF(int32_t handle);
/* The relay timer (type 120 only sends it); 0, -2 or -3. */
VORNC_API int32_t vornRelayTimer(int32_t handle);
/* Timed output `value` on for `milliseconds` / off; 0 or -2. */
VORNC_API int32_t vornFlashOn(int32_t handle, int32_t value, int32_t milliseconds);
VORNC_API int32_t vornFlashOff(int32_t handle, int32_t value);
/* Up to 255 bytes (size modulo 256) to the terminal's serial port; 0, -1 (negative
 * size, or no data) or -2. */
VORNC_API int32_t vornSendToSerial(int32_t handle, const unsigned char* data, int32_t size);
/* 3 temperature bytes into `out` (unchanged if the terminal is silent); 0 or -2. */
VORNC_API int32_t vornGetTemp(int32_t handle, unsigned char* out);
/* Up to 10 error-message bytes into `out`, whatever arrived within 10 ms; 0 or -2. */
VORNC_API int32_t vornGetMsgErrors(int32_t handle, unsigned char* out);

/* Operations on a connected socket of the caller's, without a slot. */
/* Ends a client-mode connection; 0, -2, or -3 for a device type without it. */
VORNC_API int32_t vornCloseConnection(int32_t deviceType, int32_t socket);
VORNC_API int32_t vornFlashGreenLedON(int32_t socket);
VORNC_API int32_t vornFlashGreenLedOFF(int32_t socket);
VORNC_API int32_t vornClientLedON(int32_t socket, int32_t code);
VORNC_API int32_t vornClientLedOFF(int32_t socket, int32_t code);
VORNC_API int32_t vornClientSendToSerial(int32_t socket, const unsigned char* data, int32_t size);

/* ---- User and template store (the same bytes for every model) ---- */

/* A 64-byte store command packet; `value` goes only with sub-commands 1 and 3.
 * Pauses 300 ms after it; 0 or -2. */
VORNC_API int32_t vornSendCommand(int32_t handle, int32_t command, int32_t value);
/* Writes a template in 1024-byte blocks; 0, -1 (null data, negative size), -2, or the
 * positive outcome of the first block not echoed whole (the byte count, a socket error
 * code, or 10036 for a time-out), which lastStatus keeps too. */
VORNC_API int32_t vornWriteTemplateToNESK(int32_t handle, const unsigned char* data, int32_t size);
/* Reads the stored template (the one in working memory) into `size` bytes of `buffer`;
 * 0, -1 (null buffer, negative size), -2 or -20. Block counts are not checked: a short
 * block leaves the rest of its part of the buffer as it was. */
VORNC_API int32_t vornReadTemplateFromNESK(int32_t handle, unsigned char* buffer, int32_t size);
VORNC_API int32_t vornReadTemplateFromMemoryNESK(int32_t handle, unsigned char* buffer,
                                                 int32_t size);
/* Deletes the template; 0 or -2. */
VORNC_API int32_t vornDeleteTemplateInNESK(int32_t handle);
/* Loads the store from the terminal's flash (saves it there); 0, -1, -2 or -20. */
VORNC_API int32_t vornLoadDataFromFlashInNESK(int32_t handle);
VORNC_API int32_t vornSaveDataToFlashInNESK(int32_t handle);
/* Creates (modifies) a user with two names of up to 15 characters; 0 with the number
 * the terminal assigned in *userNumber, -1 (wrong answer length, null argument), -2 or
 * -20. */
VORNC_API int32_t vornCreateUserInNESK(int32_t handle, unsigned char* userNumber, const char* name1,
                                       const char* name2);
VORNC_API int32_t vornModifyUserInNESK(int32_t handle, unsigned char* userNumber, const char* name1,
                                       const char* name2);
/* Deletes a user (all templates of a user); 0, -1, -2 or -20. */
VORNC_API int32_t vornDeleteUserInNESK(int32_t handle, int32_t userNumber);
VORNC_API int32_t vornDeleteTemplatesOfUserInNESK(int32_t handle, int32_t userNumber);
/* Starts (stops) the creation of a template on the terminal; 1 when sent, or -2. */
VORNC_API int32_t vornCreateTemplateInNESK(int32_t handle, int32_t value);
VORNC_API int32_t vornStopCreateTemplateInNESK(int32_t handle);
/* The terminal's 128-byte recognition result into `buffer`; 1, -1, -2 or -20. */
VORNC_API int32_t vornGetRecognitionID(int32_t handle, unsigned char* buffer);
/* The 2048-byte FP code in two halves; 0, -1 (null), -2 or -20. A half answered with
 * another length leaves its 1024 bytes of `code` as they were. */
VORNC_API int32_t vornGetFPCode(int32_t handle, unsigned char* code);

/* ---- Relay-board commands over a terminal connection ----
 * The relay controller library's names and signatures, this library's own commands, on
 * a slot of any device type; link one library or the other for these names. Nothing is
 * confirmed and no pause is made; lastStatus is not written. */

/* Switch the relays of the low byte of `mask` on / off, all off; report inputs unasked
 * on / off. 0 once sent, or -2. */
VORNC_API int tamrRelayOn(int handle, int mask);
VORNC_API int tamrRelayOff(int handle, int mask);
VORNC_API int tamrAllRelayOff(int handle);
VORNC_API int tamrSendInputStatusOn(int handle);
VORNC_API int tamrSendInputStatusOff(int handle);
/* The relay / input state byte into status[0], zeros in status[1..7] (8 bytes; all zero
 * without an answer in 2000 ms). tamrGetStatusRelay: 0 unless the receive failed (10035
 * no answer, another socket error code), -1 (null buffer) or -2. tamrGetStatusInput: 0,
 * -1 or -2. */
VORNC_API int tamrGetStatusRelay(int handle, unsigned char* status);
VORNC_API int tamrGetStatusInput(int handle, unsigned char* status);
/* Sends nothing; a byte the board sent unasked into status[0], zeros after it (8 bytes).
 * 1 (a byte came), 0 (connection closed), 10036 (nothing in 2000 ms), a socket error
 * code, or -1 (null buffer). */
VORNC_API int tamrGetAnswer(int handle, unsigned char* status);

/* ---- Firmware and web-content update ---- */

/* A 524288-byte image. Types 120, 130, 220, 320 (streamed, unanswered): 0 or -2;
 * types 121, 122, 131 (each 1024-byte chunk echoed and compared): 1 done, or -1;
 * type 321: 0, nothing sent (see vornUpdateFirmwareM3); other types -3. */
VORNC_API int32_t vornUpdateFirmware(int32_t handle, const unsigned char* image);
/* Web content of `length` bytes, echoed chunk by chunk (type 121): 1 done, -1; types
 * 120, 122, 130, 131, 220, 320, 321: 0, nothing sent; other types -3. */
VORNC_API int32_t vornUpdateWEB(int32_t handle, const unsigned char* content, int32_t length);
/* The echo method of the slot's type over `length` bytes, then the M4 end (whose
 * outcome only lastStatus keeps): 1 done, -1 a chunk failed or came back different. */
VORNC_API int32_t vornUpdateFirmwareM4(int32_t handle, const unsigned char* image, int32_t length);
VORNC_API int32_t vornUpdateWebM4(int32_t handle, const unsigned char* content, int32_t length);
/* Type 321: the image (1..128000 bytes) written to the data flash, read back and
 * compared; 1 written, verified and started, 0 not verified (not started), -1 (empty or
 * too long), -3 not type 321. */
VORNC_API int32_t vornUpdateFirmwareM3(int32_t handle, const unsigned char* image, uint32_t length);

/* ---- Data flash and sensor registers (type 321; the type is not checked) ---- */

/* The data flash's status byte into *status; 0, -1 (no 3-byte reply; *status
 * unchanged) or -2. */
VORNC_API int32_t vorn_DF_ReadStatusM3(int32_t handle, unsigned char* status);
/* Switches the data flash to power-of-two pages; its status into *status, as above. */
VORNC_API int32_t vorn_DF_SetPowerOf2M3(int32_t handle, unsigned char* status);
/* Three sensor register values (low byte each) for the running terminal, or also kept
 * in its flash; 0 acknowledged, -1 no acknowledgement, -2. */
VORNC_API int32_t vornSetRegParamVORN321(int32_t handle, int32_t first, int32_t second,
                                         int32_t third);
VORNC_API int32_t vornSetRegParamToFlashVORN321(int32_t handle, int32_t first, int32_t second,
                                                int32_t third);

#ifdef __cplusplus
}
#endif

#endif /* VORNC_H */
