#include "cdrom/cdrom_drive.h"

#include <algorithm>
#include <cstring>

#include "cdrom/address.h"
#include "platform/cdrom/cdrom_device.h"

using namespace platform;

namespace {

constexpr size_t TRANSFER_BYTES = size_t{CdromDrive::MAX_SECTORS_WITH_C2} * CD_RAW_SECTOR_WITH_C2_SIZE;
static_assert(CdromDrive::MAX_SECTORS * RAW_SECTOR_SIZE <= TRANSFER_BYTES, "a plain request fits the block");

std::string DescriptorString(const uint8_t* descriptor, uint32_t size, uint32_t offset)
{
    if (offset == 0 || offset >= size)
        return {};
    const auto* text = reinterpret_cast<const char*>(descriptor + offset);
    return std::string(text, strnlen(text, size - offset));
}

} // namespace

CdromDrive::~CdromDrive() { Close(); }

DriveError CdromDrive::Open(char driveLetter)
{
    Close();
    char path[] = "\\\\.\\?:";
    path[4] = driveLetter;
    HANDLE device = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return DRIVE_ERROR_INVALID_DRIVE;
    m_pTransfer =
        static_cast<uint8_t*>(VirtualAlloc(nullptr, TRANSFER_BYTES, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!m_pTransfer) {
        CloseHandle(device);
        return DRIVE_ERROR_NO_MEMORY;
    }
    m_device = device;
    return DRIVE_OK;
}

void CdromDrive::Close()
{
    if (m_pTransfer)
        VirtualFree(m_pTransfer, 0, MEM_RELEASE);
    if (m_device)
        CloseHandle(m_device);
    m_pTransfer = nullptr;
    m_device = nullptr;
}

DriveError CdromDrive::ReadRaw(int64_t first, uint32_t count, uint8_t* data, uint8_t* c2)
{
    if (!m_device)
        return DRIVE_ERROR_INVALID_DRIVE;
    const uint32_t step = c2 ? MAX_SECTORS_WITH_C2 : MAX_SECTORS;
    for (uint32_t done = 0; done < count;) {
        const uint32_t part = std::min(step, count - done);
        const DriveError error = ReadPart(first + done, part, data + size_t{done} * RAW_SECTOR_SIZE,
                                          c2 ? c2 + size_t{done} * C2_POINTER_BYTES : nullptr);
        if (error != DRIVE_OK)
            return error;
        done += part;
    }
    return DRIVE_OK;
}

DriveError CdromDrive::ReadPart(int64_t first, uint32_t count, uint8_t* data, uint8_t* c2)
{
    const int64_t offset = first * COOKED_SECTOR_SIZE;
    RAW_READ_INFO request;
    request.DiskOffset.LowPart = static_cast<uint32_t>(static_cast<uint64_t>(offset));
    request.DiskOffset.HighPart = static_cast<int32_t>(offset >> 32);
    request.SectorCount = count;
    request.TrackMode = c2 ? RawWithC2 : CDDA;
    const uint32_t sectorSize = c2 ? CD_RAW_SECTOR_WITH_C2_SIZE : RAW_SECTOR_SIZE;
    uint32_t returned = 0;
    if (!DeviceIoControl(m_device, IOCTL_CDROM_RAW_READ, &request, sizeof request, m_pTransfer, count * sectorSize,
                         &returned, nullptr))
        return GetLastError() == ERROR_INVALID_PARAMETER && c2 ? DRIVE_ERROR_NOT_SUPPORTED : DRIVE_ERROR_READ_FAULT;
    if (!c2) {
        std::memcpy(data, m_pTransfer, size_t{count} * RAW_SECTOR_SIZE);
        return DRIVE_OK;
    }
    for (uint32_t s = 0; s < count; ++s) {
        const uint8_t* sector = m_pTransfer + size_t{s} * sectorSize;
        std::memcpy(data + size_t{s} * RAW_SECTOR_SIZE, sector, RAW_SECTOR_SIZE);
        std::memcpy(c2 + size_t{s} * C2_POINTER_BYTES, sector + RAW_SECTOR_SIZE, C2_POINTER_BYTES);
    }
    return DRIVE_OK;
}

bool CdromDrive::ReadLeadOut(uint32_t* leadOut)
{
    CDROM_TOC toc;
    uint32_t returned = 0;
    if (!m_device || !DeviceIoControl(m_device, IOCTL_CDROM_READ_TOC, nullptr, 0, &toc, sizeof toc, &returned, nullptr))
        return false;
    const size_t entries = std::min<size_t>(MAXIMUM_NUMBER_TRACKS,
                                            ((size_t{toc.Length[0]} << 8 | toc.Length[1]) - 2) / sizeof(TRACK_DATA));
    for (size_t i = 0; i < entries; ++i) {
        const TRACK_DATA& entry = toc.TrackData[i];
        if (entry.TrackNumber == TOC_LEAD_OUT_TRACK) {
            *leadOut = MsfToSector(entry.Address[1], entry.Address[2], entry.Address[3]);
            return true;
        }
    }
    return false;
}

bool CdromDrive::QueryModel(std::string* model)
{
    STORAGE_PROPERTY_QUERY query;
    uint8_t descriptor[512] = {};
    uint32_t returned = 0;
    if (!m_device ||
        !DeviceIoControl(m_device, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, descriptor, sizeof descriptor,
                         &returned, nullptr))
        return false;
    STORAGE_DEVICE_DESCRIPTOR header;
    std::memcpy(&header, descriptor, sizeof header);
    const uint32_t size = std::min<uint32_t>(returned, sizeof descriptor);
    const std::string vendor = DescriptorString(descriptor, size, header.VendorIdOffset);
    const std::string product = DescriptorString(descriptor, size, header.ProductIdOffset);
    if (vendor.empty() && product.empty())
        return false;
    *model = vendor.empty() || product.empty() ? vendor + product : vendor + " " + product;
    return true;
}

bool GetDriveModel(char driveLetter, std::string* model)
{
    CdromDrive drive;
    return drive.Open(driveLetter) == DRIVE_OK && drive.QueryModel(model);
}
