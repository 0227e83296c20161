// transport: the port object over standard input/output and sockets,
// telnet, the CP437 to UTF-8 table, descriptor waits, carrier and DTR.
// Uses core.
//
// The port object: the kit's only road to the caller's terminal, over
// standard input/output or an inherited socket (raw or telnet).
#ifndef DOORKIT_TRANSPORT_TRANSPORT_H
#define DOORKIT_TRANSPORT_TRANSPORT_H

#include <cstddef>
#include <cstdint>

// Result codes of the ODCom* and ODInQueue* operations.
enum : int {
    kODRCSuccess = 0,
    kODRCGeneralFailure = 1,
    kODRCNoMemory = 2,
    kODRCNothingWaiting = 3,
    kODRCUnknownAddress = 6,
    kODRCNoUART = 7,
    kODRCInvalidCall = 8,
    kODRCTimeout = 11,
    kODRCUnsupported = 14,
};

// Com methods.
enum : int {
    kComMethodUnspecified = 0,
    kComMethodFossil = 1,
    kComMethodUART = 2,
    kComMethodWin32 = 3,
    kComMethodDoor32 = 4,
    kComMethodSocket = 5,
    kComMethodStdIO = 6,
    kComMethodTelnet = 7,  // preferred-method request only: socket + telnet
};

struct ODComPortInfo {
    std::uint8_t is_open;
    std::uint8_t use_given_descriptor;
    std::uint8_t flow_control;
    long speed;
    std::uint8_t port;
    std::uint32_t port_address;
    std::uint8_t irq;
    std::uint8_t word_format;
    std::uint32_t rx_buffer_size;
    std::uint32_t tx_buffer_size;
    std::uint8_t fifo_setting;
    std::int32_t method;
    void (*idle_function)();
    int descriptor;
    int saved_no_delay;
    std::uint8_t telnet;
    std::uint32_t telnet_state;
    std::uint8_t held_byte_valid;
    std::uint8_t held_byte;
    // Bytes of the Telnet subnegotiation being received (0 outside one).
    std::uint32_t telnet_sub_length;
    // The caller is known to be gone (end of input on a pipe or socket, a
    // failed write): carrier then reads as lost.
    std::uint8_t caller_gone;
};

using tPortHandle = ODComPortInfo*;

extern tPortHandle hSerialPort;
extern std::uint32_t ODMaxMSToWait;

int ODComAlloc(tPortHandle* handle);
int ODComFree(tPortHandle handle);
int ODComSetIdleFunction(tPortHandle handle, void (*idle)());
int ODComSetFlowControl(tPortHandle handle, std::uint8_t setting);
int ODComSetSpeed(tPortHandle handle, long speed);
int ODComSetPort(tPortHandle handle, std::uint8_t port);
int ODComSetPortAddress(tPortHandle handle, std::uint32_t address);
int ODComSetIRQ(tPortHandle handle, std::uint8_t irq);
int ODComSetWordFormat(tPortHandle handle, std::uint8_t format);
int ODComSetRXBuf(tPortHandle handle, std::uint32_t size);
int ODComSetTXBuf(tPortHandle handle, std::uint32_t size);
int ODComSetFIFO(tPortHandle handle, std::uint8_t setting);
int ODComSetPreferredMethod(tPortHandle handle, int method);
int ODComGetMethod(tPortHandle handle, int* method);

int ODComOpen(tPortHandle handle);
int ODComOpenFromExistingHandle(tPortHandle handle, long descriptor);
int ODComClose(tPortHandle handle);

int ODComCarrier(tPortHandle handle, bool* present);
int ODComSetDTR(tPortHandle handle, bool high);
int ODComOutbound(tPortHandle handle, int* count);
int ODComClearOutbound(tPortHandle handle);
int ODComClearInbound(tPortHandle handle);
int ODComInbound(tPortHandle handle, int* count);

int ODComGetByte(tPortHandle handle, char* byte, bool wait);
int ODComGetBuffer(tPortHandle handle, std::uint8_t* buffer, int size, int* count);
int ODComSendBuffer(tPortHandle handle, const std::uint8_t* buffer, std::size_t length);
int ODComSendByte(tPortHandle handle, std::uint8_t byte);

// Sends through hSerialPort.
int ODCoreSendRemoteByte(std::uint8_t byte);
int ODCoreSendRemoteBuffer(const std::uint8_t* buffer, std::size_t length);

bool ODCoreCarrierResult(int result, bool present);
bool ODCoreSetDTRResult(int result);

// Waits until nothing is left to send or the time is up (0xFFFFFFFF: no limit).
void ODWaitDrain(std::uint32_t milliseconds);

#endif
