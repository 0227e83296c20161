// Port settings: the serial ones are only stored, the method decides
// how the port opens.
#include "doorkit/transport/methods.h"
#include "doorkit/transport/transport.h"

namespace {

// The serial settings mean nothing here; they are kept for the record.
template <typename Field, typename Value>
int StoreSetting(tPortHandle handle, Field ODComPortInfo::*field, Value value)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    handle->*field = value;
    return kODRCSuccess;
}

}  // namespace

int ODComSetIdleFunction(tPortHandle handle, void (*idle)())
{
    return StoreSetting(handle, &ODComPortInfo::idle_function, idle);
}

int ODComSetFlowControl(tPortHandle handle, std::uint8_t setting)
{
    return StoreSetting(handle, &ODComPortInfo::flow_control, setting);
}

int ODComSetSpeed(tPortHandle handle, long speed)
{
    return StoreSetting(handle, &ODComPortInfo::speed, speed);
}

int ODComSetPort(tPortHandle handle, std::uint8_t port)
{
    return StoreSetting(handle, &ODComPortInfo::port, port);
}

int ODComSetPortAddress(tPortHandle handle, std::uint32_t address)
{
    return StoreSetting(handle, &ODComPortInfo::port_address, address);
}

int ODComSetIRQ(tPortHandle handle, std::uint8_t irq)
{
    return StoreSetting(handle, &ODComPortInfo::irq, irq);
}

int ODComSetWordFormat(tPortHandle handle, std::uint8_t format)
{
    return StoreSetting(handle, &ODComPortInfo::word_format, format);
}

int ODComSetRXBuf(tPortHandle handle, std::uint32_t size)
{
    return StoreSetting(handle, &ODComPortInfo::rx_buffer_size, size);
}

int ODComSetTXBuf(tPortHandle handle, std::uint32_t size)
{
    return StoreSetting(handle, &ODComPortInfo::tx_buffer_size, size);
}

int ODComSetFIFO(tPortHandle handle, std::uint8_t setting)
{
    return StoreSetting(handle, &ODComPortInfo::fifo_setting, setting);
}

int ODComSetPreferredMethod(tPortHandle handle, int method)
{
    if (handle == nullptr)
        return kODRCInvalidCall;
    ODComResetTelnet(handle);
    handle->telnet = method == kComMethodTelnet ? 1 : 0;
    handle->method = method == kComMethodTelnet ? kComMethodSocket : method;
    return kODRCSuccess;
}

int ODComGetMethod(tPortHandle handle, int* method)
{
    if (handle == nullptr || method == nullptr)
        return kODRCInvalidCall;
    *method = handle->method;
    return kODRCSuccess;
}
