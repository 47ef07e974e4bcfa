#include "support/read_run.h"

#include <thread>

#include "res/resource.h"

void RecordingProgressWindow::SendMessage(uint32_t message, uintptr_t wParam)
{
    messages.push_back({message, wParam});
    if (onMessage)
        onMessage(messages.size() - 1, messages.back());
}

std::vector<uintptr_t> RecordingProgressWindow::ValuesOf(uint32_t message) const
{
    std::vector<uintptr_t> values;
    for (const ReadMessage& m : messages)
        if (m.message == message)
            values.push_back(m.wParam);
    return values;
}

int64_t RecordingProgressWindow::FinalStatus() const
{
    if (messages.empty() || messages.back().message != res::WM_READ_DONE)
        return -1;
    return static_cast<int64_t>(messages.back().wParam);
}

void ReadRun::Run(uint32_t first, uint32_t last, ReadMode mode, const ReadOptions& options)
{
    auto* request = new ReadRequest;
    request->firstSector = first;
    request->lastSector = last;
    request->mode = mode;
    request->document = &document;
    request->progressWindow = &window;
    request->cancelFlag = &cancelFlag;
    request->options = options;
    std::thread worker([this, request] { exitCode = ReadSectorsThread(request); });
    worker.join();
}

bool ReadRun::DocumentIsEmpty() const
{
    return document.m_pBlock == nullptr && document.m_pData == nullptr && document.m_nDataLength == 0;
}

std::vector<uint8_t> ReadRun::Data() const
{
    if (!document.m_pData)
        return {};
    return {document.m_pData, document.m_pData + document.m_nDataLength};
}

ScriptedWorkerEnvironment::ScriptedWorkerEnvironment() { SetReadWorkerEnvironment(this); }

ScriptedWorkerEnvironment::~ScriptedWorkerEnvironment() { SetReadWorkerEnvironment(nullptr); }

uint64_t ScriptedWorkerEnvironment::Now() { return clock.fetch_add(secondsPerCall); }

bool ScriptedWorkerEnvironment::MayAllocate(size_t bytes) { return bytes != refusedSize; }
