#include "platform/cdrom/cdrom_device.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace platform {

CdromDeviceService& RealCdromDeviceService();

namespace {

CdromDeviceService* g_installedService = nullptr;

CdromDeviceService& Service() { return g_installedService ? *g_installedService : RealCdromDeviceService(); }

// What a HANDLE points to: the open device and its file pointer for cooked reads.
struct DeviceHandle {
    static constexpr uint32_t MAGIC = 0x43445248; // "CDRH"
    uint32_t magic = MAGIC;
    std::unique_ptr<CdromDevice> device;
    uint64_t filePointer = 0;
};

DeviceHandle* HandleOf(HANDLE handle)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return nullptr;
    auto* device = static_cast<DeviceHandle*>(handle);
    return device->magic == DeviceHandle::MAGIC ? device : nullptr;
}

bool Fail(uint32_t error)
{
    SetLastError(error);
    return false;
}

// The size of a block is kept in the page in front of it, so VirtualFree needs no size.
size_t PageSize()
{
    static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

// The descriptor with its three strings behind the fixed part, as the system lays it out.
bool WriteDeviceDescriptor(const DriveIdentity& identity, void* output, uint32_t outputSize, uint32_t* written)
{
    STORAGE_DEVICE_DESCRIPTOR descriptor;
    descriptor.Version = sizeof descriptor;
    descriptor.DeviceType = 5; // CD-ROM device
    descriptor.RemovableMedia = 1;
    uint32_t size = sizeof descriptor;
    const auto place = [&](const std::string& text, uint32_t* offset) {
        *offset = size;
        size += static_cast<uint32_t>(text.size()) + 1;
    };
    place(identity.vendor, &descriptor.VendorIdOffset);
    place(identity.product, &descriptor.ProductIdOffset);
    place(identity.revision, &descriptor.ProductRevisionOffset);
    descriptor.Size = size;
    if (outputSize < size)
        return false;
    auto* bytes = static_cast<char*>(output);
    std::memcpy(bytes, &descriptor, sizeof descriptor);
    std::memcpy(bytes + descriptor.VendorIdOffset, identity.vendor.c_str(), identity.vendor.size() + 1);
    std::memcpy(bytes + descriptor.ProductIdOffset, identity.product.c_str(), identity.product.size() + 1);
    std::memcpy(bytes + descriptor.ProductRevisionOffset, identity.revision.c_str(), identity.revision.size() + 1);
    *written = size;
    return true;
}

} // namespace

bool CdromDevice::ReadToc(CDROM_TOC*, uint32_t* error)
{
    *error = ERROR_INVALID_FUNCTION;
    return false;
}

bool CdromDevice::QueryIdentity(DriveIdentity*, uint32_t* error)
{
    *error = ERROR_INVALID_FUNCTION;
    return false;
}

char DriveLetterOfDevicePath(const std::string& devicePath)
{
    if (devicePath.size() != 6 || devicePath.compare(0, 4, "\\\\.\\") != 0 || devicePath[5] != ':')
        return 0;
    char letter = devicePath[4];
    if (letter >= 'a' && letter <= 'z')
        letter = static_cast<char>(letter - 'a' + 'A');
    return (letter >= 'A' && letter <= 'Z') ? letter : 0;
}

namespace {

void* MapPageBlock(size_t total)
{
    void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    std::memcpy(base, &total, sizeof total);
    return base;
}

size_t MappedSize(const void* base)
{
    size_t total = 0;
    std::memcpy(&total, base, sizeof total);
    return total;
}

// The last block a thread released, kept mapped for its next request. A read takes a block of
// the same size for every request; mapping and unmapping one each time costs a fresh page
// fault on every page and a flush of the other threads' address translations, more than the
// read itself from a disc image. Released when the thread ends.
struct SpareBlock {
    void* base = nullptr;
    ~SpareBlock()
    {
        if (base)
            munmap(base, MappedSize(base));
    }
};
thread_local SpareBlock t_spare;

} // namespace

void* AllocatePageBlock(size_t size)
{
    if (size == 0)
        return nullptr;
    const size_t page = PageSize();
    const size_t total = (size + page - 1) / page * page + page;
    void* base = nullptr;
    if (t_spare.base && MappedSize(t_spare.base) == total) {
        base = t_spare.base;
        t_spare.base = nullptr;
        // Zero-filled, as a fresh mapping is.
        std::memset(static_cast<char*>(base) + page, 0, total - page);
    } else {
        base = MapPageBlock(total);
        if (!base)
            return nullptr;
    }
    return static_cast<char*>(base) + page;
}

void ReleasePageBlock(void* block)
{
    if (!block)
        return;
    char* base = static_cast<char*>(block) - PageSize();
    if (!t_spare.base) {
        t_spare.base = base;
        return;
    }
    munmap(base, MappedSize(base));
}

void* CdromDeviceService::AllocateTransfer(size_t size) { return AllocatePageBlock(size); }
void CdromDeviceService::ReleaseTransfer(void* block) { ReleasePageBlock(block); }

void SetCdromDeviceService(CdromDeviceService* service) { g_installedService = service; }

HANDLE CreateFileA(const char* fileName, uint32_t desiredAccess, uint32_t, void*, uint32_t creationDisposition,
                   uint32_t, HANDLE)
{
    if (!fileName || creationDisposition != OPEN_EXISTING || (desiredAccess & GENERIC_READ) == 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    uint32_t error = ERROR_FILE_NOT_FOUND;
    std::unique_ptr<CdromDevice> device = Service().Open(fileName, &error);
    if (!device) {
        Fail(error);
        return INVALID_HANDLE_VALUE;
    }
    auto* handle = new (std::nothrow) DeviceHandle;
    if (!handle) {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
    }
    handle->device = std::move(device);
    SetLastError(ERROR_SUCCESS);
    return handle;
}

bool DeviceIoControl(HANDLE device, uint32_t ioControlCode, void* inBuffer, uint32_t inBufferSize, void* outBuffer,
                     uint32_t outBufferSize, uint32_t* bytesReturned, void*)
{
    DeviceHandle* handle = HandleOf(device);
    if (!handle)
        return Fail(ERROR_INVALID_HANDLE);
    uint32_t error = ERROR_SUCCESS;
    uint32_t returned = 0;
    bool ok = false;
    if (ioControlCode == IOCTL_CDROM_RAW_READ) {
        if (!inBuffer || inBufferSize < sizeof(RAW_READ_INFO) || !outBuffer)
            return Fail(ERROR_INVALID_PARAMETER);
        RAW_READ_INFO request;
        std::memcpy(&request, inBuffer, sizeof request);
        ok = handle->device->RawRead(request, outBuffer, outBufferSize, &returned, &error);
    } else if (ioControlCode == IOCTL_CDROM_READ_TOC) {
        if (!outBuffer || outBufferSize < sizeof(CDROM_TOC))
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        CDROM_TOC toc;
        ok = handle->device->ReadToc(&toc, &error);
        if (ok) {
            std::memcpy(outBuffer, &toc, sizeof toc);
            returned = sizeof toc;
        }
    } else if (ioControlCode == IOCTL_STORAGE_QUERY_PROPERTY) {
        uint32_t property[2]; // PropertyId, QueryType
        if (!inBuffer || inBufferSize < sizeof property || !outBuffer)
            return Fail(ERROR_INVALID_PARAMETER);
        std::memcpy(property, inBuffer, sizeof property);
        if (property[0] != StorageDeviceProperty || property[1] != PropertyStandardQuery)
            return Fail(ERROR_INVALID_FUNCTION);
        DriveIdentity identity;
        ok = handle->device->QueryIdentity(&identity, &error);
        if (ok && !WriteDeviceDescriptor(identity, outBuffer, outBufferSize, &returned))
            return Fail(ERROR_INSUFFICIENT_BUFFER);
    } else if (ioControlCode == IOCTL_STORAGE_CHECK_VERIFY) {
        uint32_t count = 0;
        ok = handle->device->CheckVerify(&count, &error);
        // The count is written only when the caller gave room for it.
        if (ok && outBuffer && outBufferSize >= sizeof count) {
            std::memcpy(outBuffer, &count, sizeof count);
            returned = sizeof count;
        }
    } else {
        return Fail(ERROR_INVALID_FUNCTION);
    }
    if (bytesReturned)
        *bytesReturned = returned;
    return ok ? (SetLastError(ERROR_SUCCESS), true) : Fail(error);
}

uint32_t SetFilePointer(HANDLE file, int32_t distanceToMove, int32_t* distanceToMoveHigh, uint32_t moveMethod)
{
    DeviceHandle* handle = HandleOf(file);
    if (!handle || moveMethod != FILE_BEGIN) {
        Fail(handle ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    uint64_t position = static_cast<uint32_t>(distanceToMove);
    if (distanceToMoveHigh)
        position |= static_cast<uint64_t>(static_cast<uint32_t>(*distanceToMoveHigh)) << 32;
    handle->filePointer = position;
    SetLastError(ERROR_SUCCESS);
    return static_cast<uint32_t>(position);
}

bool ReadFile(HANDLE file, void* buffer, uint32_t numberOfBytesToRead, uint32_t* numberOfBytesRead, void*)
{
    DeviceHandle* handle = HandleOf(file);
    if (!handle)
        return Fail(ERROR_INVALID_HANDLE);
    if (!buffer)
        return Fail(ERROR_INVALID_PARAMETER);
    uint32_t error = ERROR_SUCCESS;
    uint32_t read = 0;
    const bool ok = handle->device->Read(handle->filePointer, buffer, numberOfBytesToRead, &read, &error);
    if (numberOfBytesRead)
        *numberOfBytesRead = read;
    if (!ok)
        return Fail(error);
    handle->filePointer += read;
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool CloseHandle(HANDLE object)
{
    DeviceHandle* handle = HandleOf(object);
    if (!handle)
        return Fail(ERROR_INVALID_HANDLE);
    handle->magic = 0;
    delete handle;
    return true;
}

void* VirtualAlloc(void* address, size_t size, uint32_t allocationType, uint32_t protect)
{
    if (address || (allocationType & MEM_COMMIT) == 0 || protect != PAGE_READWRITE || size == 0) {
        Fail(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* block = Service().AllocateTransfer(size);
    if (!block)
        Fail(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

bool VirtualFree(void* address, size_t size, uint32_t freeType)
{
    if (!address || size != 0 || freeType != MEM_RELEASE)
        return Fail(ERROR_INVALID_PARAMETER);
    Service().ReleaseTransfer(address);
    return true;
}

} // namespace platform
