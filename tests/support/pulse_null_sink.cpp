#include "support/pulse_null_sink.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr double kBytesPerSecond = 44100.0 * 4; // 16-bit stereo
constexpr auto kPollInterval = std::chrono::milliseconds(20);

// The full path of a program found on PATH, or empty.
std::string FindProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string rest = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= rest.size()) {
        const size_t colon = rest.find(':', start);
        const std::string folder = rest.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return {};
}

bool CanConnect(const std::string& socketPath)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// Ends a child: SIGTERM, then SIGKILL when it has not gone within two seconds.
void EndChild(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(kPollInterval);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Starts a program with its standard output on outputFd (or a log file) and standard error on
// the log file; -1 when it cannot be started.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, int outputFd,
            const std::string& logPath, std::vector<std::string> extraEnvironment)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);

    std::vector<char*> argv;
    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    for (char** variable = environ; *variable; ++variable)
        extraEnvironment.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : extraEnvironment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

} // namespace

std::string PulseNullSink::MissingTools()
{
    if (FindProgram("pulseaudio").empty())
        return "pulseaudio is not installed";
    if (FindProgram("parec").empty())
        return "parec (pulseaudio-utils) is not installed";
    return {};
}

PulseNullSink::PulseNullSink()
{
    char pattern[] = "/tmp/ripwell-pulse-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_reason = "cannot create a temporary folder for the sound server";
        return;
    }
    m_folder = pattern;
    if (!StartServer()) {
        EndChild(m_serverPid);
        m_serverPid = -1;
        return;
    }
    if (const char* previous = std::getenv("PULSE_SERVER")) {
        m_hadPreviousServer = true;
        m_previousServer = previous;
    }
    setenv("PULSE_SERVER", ("unix:" + (m_folder / "pa.sock").string()).c_str(), 1);
}

bool PulseNullSink::StartServer()
{
    m_reason = MissingTools();
    if (!m_reason.empty())
        return false;
    const std::string program = FindProgram("pulseaudio");
    const std::string socketPath = (m_folder / "pa.sock").string();
    // The sink first, so that it exists once clients can connect.
    const std::vector<std::string> arguments{"-n",
                                             "--daemonize=no",
                                             "--exit-idle-time=-1",
                                             "--disallow-exit",
                                             "--use-pid-file=no",
                                             "--load=module-null-sink sink_name=nul rate=44100 channels=2",
                                             "--load=module-native-protocol-unix socket=" + socketPath +
                                                 " auth-anonymous=1"};
    const std::string folder = m_folder.string();
    m_serverPid = Spawn(program, arguments, -1, (m_folder / "server.log").string(),
                        {"XDG_RUNTIME_DIR=" + folder, "HOME=" + folder, "PULSE_STATE_PATH=" + folder});
    if (m_serverPid <= 0) {
        m_reason = "pulseaudio could not be started";
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (CanConnect(socketPath))
            return true;
        if (waitpid(m_serverPid, nullptr, WNOHANG) == m_serverPid) {
            m_serverPid = -1;
            m_reason = "pulseaudio ended at once (see " + (m_folder / "server.log").string() + ")";
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    m_reason = "pulseaudio did not open its socket in time";
    return false;
}

PulseNullSink::~PulseNullSink()
{
    StopRecorder();
    EndChild(m_serverPid);
    if (m_serverPid > 0) {
        if (m_hadPreviousServer)
            setenv("PULSE_SERVER", m_previousServer.c_str(), 1);
        else
            unsetenv("PULSE_SERVER");
    }
    std::error_code ignored;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ignored);
}

bool PulseNullSink::StartRecording()
{
    if (!Ready() || m_recorderPid > 0)
        return Ready();
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        m_reason = "cannot create a pipe for parec";
        return false;
    }
    const std::vector<std::string> arguments{"-d",           "nul.monitor", "--format=s16le",   "--rate=44100",
                                             "--channels=2", "--raw",       "--latency-msec=10"};
    m_recorderPid = Spawn(FindProgram("parec"), arguments, pipeEnds[1], (m_folder / "parec.log").string(), {});
    close(pipeEnds[1]);
    if (m_recorderPid <= 0) {
        close(pipeEnds[0]);
        m_reason = "parec could not be started";
        return false;
    }
    m_recorderOutput = pipeEnds[0];
    m_reader = std::thread([this] { ReadRecorder(); });
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (RecordedBytes() > 0)
            return true;
        std::this_thread::sleep_for(kPollInterval);
    }
    m_reason = "parec recorded nothing";
    return false;
}

void PulseNullSink::ReadRecorder()
{
    uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = read(m_recorderOutput, chunk, sizeof chunk);
        if (n <= 0)
            return;
        const Clock::time_point arrived = Clock::now();
        {
            std::lock_guard lock(m_mutex);
            m_recorded.insert(m_recorded.end(), chunk, chunk + n);
            const auto heardFor = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(double(m_recorded.size()) / kBytesPerSecond));
            m_start = std::min(m_start, arrived - heardFor);
        }
        m_grown.notify_all();
    }
}

void PulseNullSink::StopRecorder()
{
    if (m_recorderPid <= 0)
        return;
    EndChild(m_recorderPid);
    m_recorderPid = -1;
    if (m_reader.joinable())
        m_reader.join();
    close(m_recorderOutput);
    m_recorderOutput = -1;
}

size_t PulseNullSink::RecordingOffsetAt(Clock::time_point moment) const
{
    std::lock_guard lock(m_mutex);
    if (m_start == Clock::time_point::max() || moment <= m_start)
        return 0;
    const double seconds = std::chrono::duration<double>(moment - m_start).count();
    return size_t(seconds * kBytesPerSecond) / 4 * 4;
}

bool PulseNullSink::WaitUntilRecorded(Clock::time_point moment, std::chrono::milliseconds limit) const
{
    const auto deadline = Clock::now() + limit;
    std::unique_lock lock(m_mutex);
    return m_grown.wait_until(lock, deadline, [&] {
        if (m_start == Clock::time_point::max())
            return false;
        const double seconds = std::chrono::duration<double>(moment - m_start).count();
        return double(m_recorded.size()) >= seconds * kBytesPerSecond;
    });
}

bool PulseNullSink::WaitForBytes(size_t bytes, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_grown.wait_for(lock, limit, [&] { return m_recorded.size() >= bytes; });
}

std::vector<uint8_t> PulseNullSink::Recorded() const
{
    std::lock_guard lock(m_mutex);
    return std::vector<uint8_t>(m_recorded.begin(), m_recorded.begin() + (m_recorded.size() / 4) * 4);
}

size_t PulseNullSink::RecordedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_recorded.size();
}

bool PulseNullSink::LastSample(uint8_t out[4]) const
{
    std::lock_guard lock(m_mutex);
    const size_t whole = (m_recorded.size() / 4) * 4;
    if (whole == 0)
        return false;
    std::memcpy(out, m_recorded.data() + whole - 4, 4);
    return true;
}
