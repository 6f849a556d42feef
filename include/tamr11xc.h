/*
 * tamr11xc: client library for the Ethernet relay controllers.
 *
 * A controller is opened by host and port and addressed by the handle the open returns
 * (0..63). Every command is one request and at most one reply on that connection; the
 * controller matches replies to requests by order alone, so one handle must be used by
 * one thread at a time. Commands marked "locked" below hold the library lock, shared by
 * every process that loads this library, from before their request until their reply
 * has been read; every open takes it too. Pauses after a command are made outside it.
 *
 * Choices this library makes where the controller protocol leaves them open:
 *  - A handle outside 0..63, or one that is not open, gives TAMR_ERR_SEND (-2) at once:
 *    nothing is sent, no output is written and no pause is made.
 *    tamrCloseDevice on a handle that is not open does nothing and gives 0.
 *  - A null output pointer or buffer is refused with TAMR_ERR_REPLY (-1) before anything
 *    is sent (for the data flash reads and writes only when the size is above 0).
 *  - When the library lock could not be made at load, commands and opens run without
 *    exclusion.
 *  - vornReadI2CB, tamrReadI2CW, tamrGetTime and tamrGetDOW leave an output unchanged
 *    when its reply byte(s) did not come.
 *  - Data flash block sizes: a write carries 0..1015 data bytes (big-endian family) or
 *    0..1016 (M3 family), a read 0..32767 bytes (the size travels as a signed 16-bit
 *    number); other sizes are refused with -1 before anything is sent.
 *  - tamrUpdateFirmwareM3 refuses an image of 0 bytes, a negative size or more than
 *    128000 bytes with -1 before anything is sent, and reports 0 (no update started)
 *    when a read-back block or the size header write was not acknowledged, not only
 *    when the read-back differs.
 *
 * Compiles as C and as C++.
 */
#ifndef TAMR11XC_H
#define TAMR11XC_H

#if defined(__GNUC__)
#define TAMR_API __attribute__((visibility("default")))
#else
#define TAMR_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Results. Commands that pass a receive outcome through may also return a byte count
 * (0 when the controller closed the connection) or another Winsock-numbered socket
 * error code from 10000 up. */
enum tamr_result {
  TAMR_OK = 0,
  TAMR_ERR_REPLY = -1,       /* no, short or unconfirming reply; refused argument */
  TAMR_ERR_NO_SLOT = -1,     /* open: all 64 slots are in use */
  TAMR_ERR_SEND = -2,        /* the request could not be sent (or the handle is not open) */
  TAMR_ERR_SOCKET = -4,      /* open: no socket could be created */
  TAMR_ERR_RESOLVE = -5,     /* open: the host could not be resolved */
  TAMR_ERR_CONNECT = -6,     /* open: the connection could not be made */
  TAMR_ERR_NONBLOCKING = -7, /* open: the socket could not be made non-blocking */
  TAMR_WOULD_BLOCK = 10035,  /* passed through: nothing arrived before the time-out */
  TAMR_TIMEOUT = 10036       /* time-out marker (tamrGetAnswer; kept as last status) */
};

/* Sizes of the caller's buffers and the limits of the data flash commands. */
enum tamr_size {
  TAMR_MAX_DEVICES = 64,
  TAMR_STATUS_SIZE = 8,
  TAMR_VERSION_SIZE = 8,
  TAMR_PARAM_SIZE = 128,
  TAMR_PARAMX_SIZE = 512,
  TAMR_DF_WRITE_MAX = 1015,
  TAMR_DF_WRITE_MAX_M3 = 1016,
  TAMR_DF_READ_MAX = 32767,
  TAMR_FIRMWARE_MAX = 128000
};

/* ---- Link ---------------------------------------------------------------------- */

/* Opens a connection (locked), then pauses for the open timeout, whatever the outcome.
 * device_type is only stored: pass a non-zero one (0 marks a free slot).
 * Returns the handle 0..63, -1 (no free slot), -4, -5, -6 or -7. */
TAMR_API int tamrOpenDevice(int device_type, const char* host, int port);
/* Shuts the connection down and frees its slot. Returns 0 (-2 for a handle outside 0..63). */
TAMR_API int tamrCloseDevice(int handle);
/* Sets the pause made after every open (1000 ms at load). Returns the value given. */
TAMR_API int tamrSetOpenTimeout(int milliseconds);
/* The library's constant version text; do not change or free it. */
TAMR_API const char* tamrGetSDKVersion(void);

/* ---- Relays and inputs (masks: the low 8 or, for E16, 16 bits are sent) ---------- */

/* Locked; 250 ms pause after. Returns the relay state (0..255) when every mask bit is
 * set in it, -1 when not, -2, or the receive outcome when no 1-byte reply came
 * (0 peer closed, 10035 no reply within 2000 ms, another socket error code). */
TAMR_API int tamrRelayOn(int handle, int mask);
/* As tamrRelayOn, but the state must have none of the mask bits set. */
TAMR_API int tamrRelayOff(int handle, int mask);
/* As tamrRelayOn; time is passed to the controller as one byte. */
TAMR_API int tamrRelayOnTimer(int handle, int mask, int time);
/* Locked; 250 ms after. 0 when the controller answers 0, -1 for another byte, -2, or
 * the receive outcome. */
TAMR_API int tamrAllRelayOff(int handle);
/* Sixteen-relay boards. Locked; 250 ms after. 0 when every mask bit is set in the
 * 2-byte state, -1 when not, -2, or the receive outcome (1: only one byte came). */
TAMR_API int tamrRelayOnE16(int handle, int mask);
/* As tamrRelayOnE16, with the same test: the controller's answer must carry every
 * bit of the mask. */
TAMR_API int tamrRelayOffE16(int handle, int mask);
TAMR_API int tamrRelayOnTimerE16(int handle, int mask, int time);
/* Sets the whole relay byte; no lock, no pause. Returns the reply byte, -1 (no 1-byte
 * reply within 2000 ms) or -2. */
TAMR_API int tamrRelaySwitchByte(int handle, int value);
/* Asks the controller to report input changes by itself (On) or to stop (Off); no reply.
 * 250 ms after. Returns 0 or -2. */
TAMR_API int tamrSendInputStatusOn(int handle);
TAMR_API int tamrSendInputStatusOff(int handle);
/* The status reads pause 100 ms, then run locked and fill 8 bytes of status: byte 0 the
 * state (E16: bytes 0 and 1, low first), the rest 0. Without a reply byte 0 is 0, but
 * the E16 read leaves its request 0x4C 0x52 in bytes 0 and 1.
 * tamrGetStatusRelay(E16): 0 unless the receive failed (10035 no reply, another socket
 * error code), -1 (null buffer) or -2. tamrGetStatusInput: 0, -1 or -2. */
TAMR_API int tamrGetStatusRelay(int handle, unsigned char* status);
TAMR_API int tamrGetStatusRelayE16(int handle, unsigned char* status);
TAMR_API int tamrGetStatusInput(int handle, unsigned char* status);
/* Reads one byte the controller sent unasked (input reports); sends nothing. Pauses
 * 100 ms first. Returns 1 (byte in status[0]), 0 (peer closed), 10036 (nothing within
 * 2000 ms), another socket error code, -1 (null buffer) or -2 (handle not open). */
TAMR_API int tamrGetAnswer(int handle, unsigned char* status);

/* ---- Clock, calendar, calibration, temperature, I2C ------------------------------ */

/* Writes one register of an I2C device; no reply. 100 ms after. Returns 0 or -2. */
TAMR_API int tamrWriteI2C(int handle, int device, int reg, int value);
/* Reads one byte (B) or a 16-bit value, low byte first (W), of an I2C device; 50 ms
 * between request and reply. Returns 0 even when no reply came (the output is then left
 * unchanged), -1 (null output) or -2. */
TAMR_API int vornReadI2CB(int handle, int device, int reg, unsigned char* value);
TAMR_API int tamrReadI2CW(int handle, int device, int reg, unsigned short* value);
/* Sets the clock chip (I2C 0x68) in BCD, computing the day of the week (1 = Sunday) for
 * year 2000 + year. Locked across seven writes; at least 700 ms. Returns 0 or -2. */
TAMR_API int tamrSetTime(int handle, int day, int month, int year, int hour, int minute,
                         int second);
/* Reads the clock chip's registers as they are held (BCD). Locked. Returns 0, -1 (null
 * output) or -2. tamrGetDOW reads the day of the week (register 3). */
TAMR_API int tamrGetTime(int handle, unsigned char* day, unsigned char* month, unsigned char* year,
                         unsigned char* hour, unsigned char* minute, unsigned char* second);
TAMR_API int tamrGetDOW(int handle, unsigned char* day_of_week);
/* M3 clock, set: year is the full year. Locked. Returns 0 unless the receive of the
 * 16-byte answer failed (10035: none within 2000 ms; another socket error code), or -2. */
TAMR_API int tamrSetTimeM3(int handle, int day, int month, int year, int hour, int minute,
                           int second);
/* M3 clock, read. Locked. Returns 0 with all seven outputs written, the receive outcome
 * (outputs untouched) when no 16-byte reply came, -1 (null output) or -2. */
TAMR_API int tamrGetTimeM3(int handle, unsigned char* day, unsigned char* month,
                           unsigned short* year, unsigned char* hour, unsigned char* minute,
                           unsigned char* second, unsigned char* extra);
/* M3 clock calibration. Locked. Return 0, the receive outcome when no 3-byte answer came,
 * -1 (null output) or -2. */
TAMR_API int tamrGetCalibrationM3(int handle, unsigned char* value);
TAMR_API int tamrSetCalibrationM3(int handle, int value);
/* Sets *celsius to 0.0, pauses 100 ms, then reads the temperature input, locked. Returns
 * 1 with the temperature stored, 0 when the controller has no valid reading, the receive
 * outcome (1: only one byte came) when no 2-byte reply came, -1 (null output) or -2. */
TAMR_API int tamrGetTemperature(int handle, double* celsius);
/* Calendar access command; no reply. 250 ms after. Returns 0 or -2. */
TAMR_API int tamrAccessToCalendar(int handle, int value);

/* ---- Parameters, version, reboot, inversion masks -------------------------------- */

/* Reads the 128-byte (Param) or 512-byte (ParamX) block straight into the buffer, which
 * may hold part of a reply on failure. Returns 0, -1 (not the whole block in one piece
 * within 1000 ms, or a null buffer) or -2. */
TAMR_API int tamrGetParam(int handle, unsigned char* block);
TAMR_API int tamrGetParamX(int handle, unsigned char* block);
/* Writes the block; the controller does not answer. 500 ms after. Returns 0, -1 (null
 * block) or -2. */
TAMR_API int tamrSetParam(int handle, const unsigned char* block);
TAMR_API int tamrSetParamX(int handle, const unsigned char* block);
/* The first 8 bytes of the controller's 128-byte version reply. Returns 0, -1 (no whole
 * reply within 2000 ms, or a null buffer; the buffer is then untouched) or -2. */
TAMR_API int tamrGetVersion(int handle, unsigned char* version);
/* Restarts the controller; the connection is lost, close the handle. 100 ms after.
 * Returns 0 or -2. */
TAMR_API int tamrReboot(int handle);
/* Inversion masks, two bytes each, passed through unchanged. Return 0, -1 (no 4-byte
 * answer within 4000 ms, or a null output; outputs then untouched) or -2. */
TAMR_API int tamrSetInvertInpMask(int handle, int mask1, int mask2);
TAMR_API int tamrSetInvertOutMask(int handle, int mask1, int mask2);
TAMR_API int tamrGetInvertOutMask(int handle, unsigned char* mask1, unsigned char* mask2);

/* ---- Data flash and firmware update ----------------------------------------------- */
/* Each waits up to 2000 ms for its answer; -1 means it did not come whole (or a refused
 * argument), -2 that the request could not be sent. */

/* Big-endian family. Locked; return the controller's reply byte (0..255), -1 or -2. */
TAMR_API int tamr_DF_SetPowerOf2(int handle);
TAMR_API int tamr_DF_ReadStatus(int handle);
/* Returns 0, -1 or -2. */
TAMR_API int tamr_DF_SaveBuftoMain(int handle);
/* Locked. Return 0 (counter stored), -1 or -2. */
TAMR_API int tamr_DF_ReadCounter(int handle, int* counter);
TAMR_API int tamr_DF_WriteCounter(int handle, int counter);
/* Locked. Reads size (0..32767) bytes straight into buffer. Returns 0, -1 or -2. */
TAMR_API int tamr_DF_ReadDataFlash(int handle, unsigned int address, int size,
                                   unsigned char* buffer);
/* Writes size (0..1015) bytes; the controller sends them back over data. Returns 0, -1
 * or -2. */
TAMR_API int tamr_DF_WriteDataFlash(int handle, unsigned int address, int size,
                                    unsigned char* data);

/* M3 family. Locked; store byte 2 of the controller's answer. Return 0, -1 or -2. */
TAMR_API int tamr_DF_ReadStatusReadyM3(int handle, unsigned char* value);
TAMR_API int tamr_DF_ReadStatusM3(int handle, unsigned char* value);
TAMR_API int tamr_DF_SetPowerOf2M3(int handle, unsigned char* value);
/* Writes size (0..1016) bytes. Returns 0, -1 or -2. */
TAMR_API int tamr_DF_WriteDataFlashM3(int handle, unsigned int address, int size,
                                      const unsigned char* data);
/* Locked. Reads size (0..32767) bytes straight into buffer. Returns 0, -1 or -2. */
TAMR_API int tamr_DF_ReadDataFlashM3(int handle, unsigned int address, int size,
                                     unsigned char* buffer);
/* Tells the controller to take the new firmware from its data flash. 100 ms after.
 * Returns 0 or -2. */
TAMR_API int tamrUpdateStartM3(int handle);
/* Stores the image (size header at address 0, image from address 256), reads it back
 * in 256-byte blocks and, when it compares equal, starts the update. Returns 1 (verified
 * and started), 0 (read-back differed or not acknowledged; not started), -1 (refused
 * image: null, empty, negative size or over 128000 bytes) or -2. */
TAMR_API int tamrUpdateFirmwareM3(int handle, const unsigned char* image, int size);

#ifdef __cplusplus
}
#endif

#endif /* TAMR11XC_H */
