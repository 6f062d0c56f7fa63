#include "sim/usb_bus_sim.h"

#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <linux/usbdevice_fs.h>
#include <map>
#include <sys/ioctl.h>

namespace {

// Device, configuration and interface descriptors of the bootloader: class FE/01
// in the device descriptor, EP0 of 32 bytes, one configuration, interface 0 of class 0.
std::string Descriptors(uint16_t productId) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "12011001FE010020EB03%02X%02X000000000001" // device
                  "090212000101008032"                       // configuration 1
                  "090400000000000000",                      // interface 0
                  productId & 0xFF, productId >> 8);
    return text;
}

std::string DeviceRecord(const DfuBootloaderSim& device, int address) {
    char text[1024];
    const uint16_t pid = device.chip().productId;
    std::snprintf(text, sizeof text,
                  "P: /devices/pci0000:00/0000:00:14.0/usb1/1-%d\n"
                  "N: bus/usb/001/%03d\n"
                  "E: DEVNAME=/dev/bus/usb/001/%03d\n"
                  "E: DEVTYPE=usb_device\n"
                  "E: DRIVER=usb\n"
                  "E: PRODUCT=3eb/%x/0\n"
                  "E: SUBSYSTEM=usb\n"
                  "E: BUSNUM=001\n"
                  "E: DEVNUM=%03d\n"
                  "E: MAJOR=189\n"
                  "E: MINOR=%d\n"
                  "A: busnum=1\n"
                  "A: devnum=%d\n"
                  "A: idVendor=03eb\n"
                  "A: idProduct=%04x\n"
                  "A: bConfigurationValue=1\n"
                  "A: speed=12\n"
                  "H: descriptors=%s\n",
                  address, address, address, pid, address, address, address, pid,
                  Descriptors(pid).c_str());
    return text;
}

std::string NodeOf(int address) {
    char text[32];
    std::snprintf(text, sizeof text, "/dev/bus/usb/001/%03d", address);
    return text;
}

// One device's usbfs: control URBs go to the simulated bootloader, completed URBs
// wait for the program to reap them.
struct UsbfsDevice {
    DfuBootloaderSim* device = nullptr;
    std::string syspath;
    UMockdevIoctlBase* handler = nullptr;
    gulong signal = 0;
    std::deque<UMockdevIoctlData*> done;
};

void Complete(UMockdevIoctlClient* client, long result, int error) {
    umockdev_ioctl_client_complete(client, result, error);
}

bool SubmitControl(UsbfsDevice& usb, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    UMockdevIoctlData* urbData = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    if (urbData == nullptr) {
        Complete(client, -1, EFAULT);
        return true;
    }
    auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
    if (urb->type != USBDEVFS_URB_TYPE_CONTROL || urb->buffer_length < 8) {
        g_object_unref(urbData);
        Complete(client, -1, EINVAL);
        return true;
    }
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
        urbData, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(urb->buffer_length), nullptr);
    if (buffer == nullptr) {
        g_object_unref(urbData);
        Complete(client, -1, EFAULT);
        return true;
    }
    uint8_t* setup = buffer->data;
    const auto value = static_cast<uint16_t>(setup[2] | (setup[3] << 8));
    auto length = static_cast<uint16_t>(setup[6] | (setup[7] << 8));
    length = static_cast<uint16_t>(std::min<int>(length, urb->buffer_length - 8));
    const int result = usb.device->control(setup[0], setup[1], value, setup + 8, length);
    g_object_unref(buffer);
    if (result == kTransferNoDevice) {
        g_object_unref(urbData);
        Complete(client, -1, ENODEV);
        return true;
    }
    urb->status = result == kTransferStall ? -EPIPE : result < 0 ? -EPROTO : 0;
    urb->actual_length = result < 0 ? 0 : result;
    usb.done.push_back(urbData);
    Complete(client, 0, 0);
    return true;
}

bool Reap(UsbfsDevice& usb, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    if (usb.done.empty()) {
        Complete(client, -1, usb.device->gone() ? ENODEV : EAGAIN);
        return true;
    }
    UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
    if (slot == nullptr) {
        Complete(client, -1, EFAULT);
        return true;
    }
    UMockdevIoctlData* urbData = usb.done.front();
    usb.done.pop_front();
    umockdev_ioctl_data_set_ptr(slot, 0, urbData);
    g_object_unref(urbData);
    g_object_unref(slot);
    Complete(client, 0, 0);
    return true;
}

gboolean HandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto& usb = *static_cast<UsbfsDevice*>(self);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const gulong request = umockdev_ioctl_client_get_request(client);
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
        if (caps != nullptr) {
            std::memset(caps->data, 0, sizeof(uint32_t));
            g_object_unref(caps);
        }
        Complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_DISCARDURB:
        Complete(client, usb.device->gone() ? -1 : 0, usb.device->gone() ? ENODEV : 0);
        return TRUE;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:
        Complete(client, -1, ENODATA); // no kernel driver bound
        return TRUE;
    case USBDEVFS_SUBMITURB:
        return SubmitControl(usb, client, arg);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        return Reap(usb, client, arg);
    default:
        Complete(client, -1, ENOTTY);
        return TRUE;
    }
}

} // namespace

struct UsbBusSim::Impl {
    UMockdevTestbed* testbed = nullptr;
    std::map<int, UsbfsDevice> devices;
};

UsbBusSim::UsbBusSim() : impl_(std::make_unique<Impl>()) {
    impl_->testbed = umockdev_testbed_new();
}

UsbBusSim::~UsbBusSim() {
    while (!impl_->devices.empty()) {
        unplug(impl_->devices.begin()->first);
    }
    g_object_unref(impl_->testbed);
}

bool UsbBusSim::plug(DfuBootloaderSim& device, int address) {
    unplug(address);
    GError* error = nullptr;
    const std::string record = DeviceRecord(device, address);
    if (!umockdev_testbed_add_from_string(impl_->testbed, record.c_str(), &error)) {
        error_ = error != nullptr ? error->message : "cannot add the device";
        g_clear_error(&error);
        return false;
    }
    UsbfsDevice& usb = impl_->devices[address];
    usb.device = &device;
    char syspath[128];
    std::snprintf(syspath, sizeof syspath, "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-%d",
                  address);
    usb.syspath = syspath;
    usb.handler = umockdev_ioctl_base_new();
    usb.signal = g_signal_connect(usb.handler, "handle-ioctl", G_CALLBACK(HandleIoctl), &usb);
    if (!umockdev_testbed_attach_ioctl(impl_->testbed, NodeOf(address).c_str(), usb.handler,
                                       &error)) {
        error_ = error != nullptr ? error->message : "cannot attach to the device node";
        g_clear_error(&error);
        unplug(address);
        return false;
    }
    return true;
}

void UsbBusSim::unplug(int address) {
    const auto it = impl_->devices.find(address);
    if (it == impl_->devices.end()) {
        return;
    }
    UsbfsDevice& usb = it->second;
    umockdev_testbed_detach_ioctl(impl_->testbed, NodeOf(address).c_str(), nullptr);
    umockdev_testbed_remove_device(impl_->testbed, usb.syspath.c_str());
    for (UMockdevIoctlData* urb : usb.done) {
        g_object_unref(urb);
    }
    if (usb.handler != nullptr) {
        g_signal_handler_disconnect(usb.handler, usb.signal);
        g_object_unref(usb.handler);
    }
    impl_->devices.erase(it);
}

void UsbBusSim::iterate(unsigned maxWaitMs) {
    GSource* wake = g_timeout_source_new(maxWaitMs);
    g_source_set_callback(
        wake, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
    g_source_attach(wake, nullptr);
    g_main_context_iteration(nullptr, TRUE);
    g_source_destroy(wake);
    g_source_unref(wake);
}
