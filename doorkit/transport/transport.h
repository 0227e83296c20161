// transport: the port object over standard input/output and sockets,
// telnet, the CP437 to UTF-8 table, descriptor waits, carrier and DTR.
// Uses core.
//
// The port object: the kit's only road to the caller's terminal, over
// standard input/output or an inherited socket (raw or telnet).
#ifndef DOORKIT_TRANSPORT_TRANSPORT_H
#define DOORKIT_TRANSPORT_TRANSPORT_H

#include <array>
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

// Output collected for the caller leaves in one write once it reaches this
// many bytes (and whenever the program is about to wait); the port's
// collection holds twice as much.
constexpr std::size_t kODComFlushThreshold = 4096;

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
    // Output for the caller since the last flush, already translated and
    // escaped, so the wire carries exactly what separate sends would.
    std::array<std::uint8_t, 2 * kODComFlushThreshold> out_buffer;
    std::size_t out_length;
    // A flush is under way: a pause inside its own send must not start
    // another.
    std::uint8_t out_flushing;
};

using tPortHandle = ODComPortInfo*;

extern tPortHandle hSerialPort;
// How long the next read that must not wait may wait for a first byte
// (never more than 200 ms): 0 at rest, raised only by a wait for input, so
// no other kernel pass ever sleeps on the line.
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
// Send at once: whatever was collected before goes out first, in the same
// write.
int ODComSendBuffer(tPortHandle handle, const std::uint8_t* buffer, std::size_t length);
int ODComSendByte(tPortHandle handle, std::uint8_t byte);

// Collects bytes for the caller, translated and escaped as a send would
// be; they leave with the next flush, or at once when the collection
// reaches kODComFlushThreshold. 1 when bytes were lost (as a failed send).
int ODComQueueBuffer(tPortHandle handle, const std::uint8_t* buffer, std::size_t length);
// Sends what has been collected in one write; what a failed write could not
// deliver is dropped, as a failed send's bytes are. 0 when nothing waited.
int ODComFlush(tPortHandle handle);

// Collect through hSerialPort; the flush sends hSerialPort's collection
// (nothing without a port).
int ODCoreSendRemoteByte(std::uint8_t byte);
int ODCoreSendRemoteBuffer(const std::uint8_t* buffer, std::size_t length);
int ODCoreFlushRemote();

bool ODCoreCarrierResult(int result, bool present);
bool ODCoreSetDTRResult(int result);

// Waits until nothing is left to send or the time is up (0xFFFFFFFF: no limit).
void ODWaitDrain(std::uint32_t milliseconds);

#endif
