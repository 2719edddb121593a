#include "sim/CSimPort.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

// Ten bits (start, 8 data, stop) per byte at 9600 baud.
constexpr int64_t kByteTimeNs = 10 * 1000000000LL / 9600;

// A mark whose holder has closed the device but whose lock is still held is
// looked at again every 10 ms, for at most 2 s.
constexpr int64_t kStaleCheckIntervalNs = 10000000;
constexpr int kStaleChecks = 200;

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        ThrowErrno("tcgetattr");
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~CRTSCTS;
    if (tcsetattr(fd, TCSANOW, &tio) != 0)
        ThrowErrno("tcsetattr");
}

} // namespace

CSimPort::CSimPort(int comNumber, const std::string& portDir) : m_comNumber(comNumber) {
    if (comNumber < 1 || comNumber > 255)
        throw std::out_of_range("com port number out of range: " + std::to_string(comNumber));
    m_linkPath = portDir + (portDir.empty() || portDir.back() != '/' ? "/" : "") + "COM" +
                 std::to_string(comNumber);
    try {
        OpenTerminal();
        MakeLink();
    } catch (...) {
        CloseAll();
        throw;
    }
    m_thread = std::thread(&CSimPort::Serve, this);
}

CSimPort::~CSimPort() {
    uint64_t one = 1;
    while (write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
    m_thread.join();
    CloseAll();
}

void CSimPort::OpenTerminal() {
    m_wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0)
        ThrowErrno("eventfd");
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_master < 0)
        ThrowErrno("posix_openpt");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        ThrowErrno("unlockpt");
    char name[PATH_MAX];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        ThrowErrno("ptsname_r");
    m_devicePath = name;
    // Held open for the life of the port: while any slave descriptor is
    // open the master never sees a hang-up, however often programs open and
    // close the link. It takes no flock and sets no exclusive mark, and is
    // opened before any program's, so it never makes a program's open fail.
    m_slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_slave < 0)
        ThrowErrno("open " + m_devicePath);
    MakeRaw(m_slave);
    // Opens and closes of the device by programs, to know when nobody
    // listens. Without the watch every byte is kept for the next reader.
    m_watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_watch >= 0 && inotify_add_watch(m_watch, name, IN_OPEN | IN_CLOSE) < 0) {
        close(m_watch);
        m_watch = -1;
    }
    if (m_watch < 0)
        m_openers = -1;
}

void CSimPort::MakeLink() {
    struct stat info {};
    if (lstat(m_linkPath.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            throw std::runtime_error(m_linkPath + " exists and is not a link");
        unlink(m_linkPath.c_str());
    }
    if (symlink(m_devicePath.c_str(), m_linkPath.c_str()) != 0)
        ThrowErrno("symlink " + m_linkPath);
}

void CSimPort::CloseAll() {
    if (!m_devicePath.empty()) {
        char target[PATH_MAX];
        ssize_t length = readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (length > 0 && m_devicePath == std::string(target, static_cast<size_t>(length)))
            unlink(m_linkPath.c_str());
    }
    for (int* fd : {&m_slave, &m_master, &m_wake, &m_watch}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

CSimCounter& CSimPort::AddCounter(const SimCounterConfig& config) {
    if (config.address < 0 || config.address > 31)
        throw std::out_of_range("counter address out of range: " + std::to_string(config.address));
    std::lock_guard lock(m_countersMutex);
    auto& slot = m_counters[static_cast<size_t>(config.address)];
    if (slot)
        slot->SetConfig(config);
    else
        slot = std::make_unique<CSimCounter>(config);
    return *slot;
}

CSimCounter* CSimPort::Counter(int address) {
    if (address < 0 || address > 31)
        return nullptr;
    std::lock_guard lock(m_countersMutex);
    return m_counters[static_cast<size_t>(address)].get();
}

std::vector<int> CSimPort::Addresses() const {
    std::lock_guard lock(m_countersMutex);
    std::vector<int> addresses;
    for (size_t i = 0; i < m_counters.size(); ++i)
        if (m_counters[i])
            addresses.push_back(static_cast<int>(i));
    return addresses;
}

std::vector<SimTranscriptEntry> CSimPort::Transcript() const {
    std::lock_guard lock(m_transcriptMutex);
    return {m_transcript.begin(), m_transcript.end()};
}

void CSimPort::ClearTranscript() {
    std::lock_guard lock(m_transcriptMutex);
    m_transcript.clear();
    m_bytesToCounter = 0;
}

std::vector<uint8_t> CSimPort::BytesToCounter() const {
    std::lock_guard lock(m_transcriptMutex);
    std::vector<uint8_t> bytes;
    for (const auto& entry : m_transcript)
        if (entry.toCounter)
            bytes.push_back(entry.byte);
    return bytes;
}

std::vector<uint8_t> CSimPort::BytesFromCounter() const {
    std::lock_guard lock(m_transcriptMutex);
    std::vector<uint8_t> bytes;
    for (const auto& entry : m_transcript)
        if (!entry.toCounter)
            bytes.push_back(entry.byte);
    return bytes;
}

bool CSimPort::WaitForBytesToCounter(size_t count, int timeoutMs) const {
    std::unique_lock lock(m_transcriptMutex);
    return m_transcriptChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return m_bytesToCounter >= count; });
}

void CSimPort::SetTranscriptLimit(size_t entries) {
    std::lock_guard lock(m_transcriptMutex);
    m_transcriptLimit = std::max<size_t>(entries, 1);
    while (m_transcript.size() > m_transcriptLimit)
        m_transcript.pop_front();
}

// Takes both locks in the thread's order, so it returns only after every
// call for a byte already recorded has ended.
void CSimPort::SetTranscriptListener(std::function<void(const SimTranscriptEntry&)> listener) {
    std::lock_guard lock(m_transcriptMutex);
    std::lock_guard calls(m_listenerMutex);
    m_listener = std::move(listener);
}

void CSimPort::SetPacing(bool on) {
    m_pacing = on;
}

bool CSimPort::Pacing() const {
    return m_pacing;
}

bool CSimPort::ReleaseExclusive() {
    return ioctl(m_slave, TIOCNXCL) == 0;
}

void CSimPort::SetStaleMarkListener(std::function<void()> listener) {
    std::lock_guard lock(m_staleMarkMutex);
    m_staleMarkListener = std::move(listener);
}

bool CSimPort::SetUrgent() {
    while (m_threadId == 0)
        std::this_thread::yield();
    return ::setpriority(PRIO_PROCESS, static_cast<id_t>(m_threadId.load()), -10) == 0;
}

void CSimPort::HangUp() {
    m_hangUpRequested = true;
    uint64_t one = 1;
    while (write(m_wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

// Called on the port's thread only, which serves nothing afterwards. The
// flag is set first, so whoever sees the line hang up also sees it set.
void CSimPort::CloseMaster() {
    m_hungUp = true;
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

void CSimPort::Record(const SimTranscriptEntry& entry) {
    std::unique_lock lock(m_transcriptMutex);
    RecordLocked(entry);
    Publish(lock, &entry, 1);
}

void CSimPort::RecordLocked(const SimTranscriptEntry& entry) {
    m_transcript.push_back(entry);
    if (entry.toCounter)
        ++m_bytesToCounter;
    if (m_transcript.size() > m_transcriptLimit)
        m_transcript.pop_front();
}

// Hands the lock of the transcript over to that of the listener: whoever
// sees the bytes in the transcript and then changes the listener waits
// until the listener has had them.
void CSimPort::Publish(std::unique_lock<std::mutex>& lock, const SimTranscriptEntry* entries,
                       size_t count) {
    std::unique_lock calls(m_listenerMutex);
    lock.unlock();
    m_transcriptChanged.notify_all();
    if (m_listener)
        for (size_t i = 0; i < count; ++i)
            m_listener(entries[i]);
}

// The thread: waits for bytes from the program, for the time of the next
// byte the counters send, or for the wake-up that ends it.
void CSimPort::Serve() {
    m_threadId = static_cast<int>(::syscall(SYS_gettid));
    // Paced bytes leave when their time comes, as from a UART, not up to the
    // default 50 us of timer slack later.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    for (;;) {
        int64_t next = NextWakeTime();
        timespec timeout{};
        timespec* wait = nullptr;
        if (next >= 0) {
            int64_t ns = std::max<int64_t>(0, next - SimMonotonicNs());
            timeout.tv_sec = static_cast<time_t>(ns / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns % 1000000000);
            wait = &timeout;
        }
        pollfd fds[3] = {{m_wake, POLLIN, 0}, {m_master, POLLIN, 0}, {m_watch, POLLIN, 0}};
        int ready = ppoll(fds, m_watch >= 0 ? 3 : 2, wait, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents != 0) {
            if (m_hangUpRequested)
                CloseMaster();
            return;
        }
        // Open events first: a program's open comes before its first byte.
        const bool staleCheckDue = m_staleCheckNs >= 0 && SimMonotonicNs() >= m_staleCheckNs;
        if (m_watch >= 0 && ((fds[2].revents & POLLIN) || staleCheckDue))
            DiscardIfNobodyListens();
        if (fds[1].revents & POLLIN) {
            ReadInput();
            if (m_hangUpRequested) {
                CloseMaster();
                return;
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Not expected while the own slave descriptor is open; do not spin.
            pollfd wake{m_wake, POLLIN, 0};
            poll(&wake, 1, 10);
        }
        SendDue();
    }
}

// Counts the programs' opens and closes of the device. The kernel merges
// two identical events that follow each other unread, so the count can go
// wrong when programs open the device at the same time; it is therefore
// only trusted together with the exclusive mark below.
void CSimPort::ReadOpenEvents() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t count = read(m_watch, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        m_staleChecksLeft = kStaleChecks;
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW)
                m_openers = -1;
            else if (m_openers < 0)
                continue;
            else if (event->mask & IN_OPEN)
                ++m_openers;
            else if ((event->mask & IN_CLOSE) && m_openers > 0)
                --m_openers;
        }
    }
}

// When no program has the link open, what the counters sent is lost, as on
// a closed serial port. Nobody listens when the events say every opener
// has closed again and no descriptor holds the terminal's exclusive mark
// (which the program sets for as long as it has the port), or the mark is
// stale. A program that opens the device after the events were read has
// not sent anything yet, so nothing of its own is discarded.
void CSimPort::DiscardIfNobodyListens() {
    if (m_watch < 0)
        return;
    ReadOpenEvents();
    m_staleCheckNs = -1;
    int exclusive = 0;
    if (m_openers != 0 || ioctl(m_slave, TIOCGEXCL, &exclusive) != 0)
        return;
    // A mark that is not stale yet gets another look (ClearStaleMark).
    if (exclusive && !ClearStaleMark())
        return;
    tcflush(m_slave, TCIFLUSH);
}

// The mark's holder has closed the device, by the events; it is gone when
// no descriptor holds the device's lock either (the count of the events
// can fall short when two programs open the device at once, the lock
// cannot). A program killed before it released the port leaves just that.
// True when the mark was cleared.
bool CSimPort::ClearStaleMark() {
    if (flock(m_slave, LOCK_EX | LOCK_NB) != 0) {
        ScheduleStaleCheck();
        return false;
    }
    const bool cleared = ReleaseExclusive();
    flock(m_slave, LOCK_UN);
    if (cleared) {
        std::lock_guard lock(m_staleMarkMutex);
        if (m_staleMarkListener)
            m_staleMarkListener();
    }
    return cleared;
}

// Each open or close event of the device renews the looks left.
void CSimPort::ScheduleStaleCheck() {
    m_staleCheckNs = m_staleChecksLeft-- > 0 ? SimMonotonicNs() + kStaleCheckIntervalNs : -1;
}

void CSimPort::ReadInput() {
    uint8_t buffer[256];
    for (;;) {
        ssize_t count = read(m_master, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        const int64_t now = SimMonotonicNs();
        for (ssize_t i = 0; i < count && !m_hangUpRequested; ++i)
            HandleByte(buffer[i], now);
    }
}

// One byte from the program: 0xBF releases the selected counter and gets no
// echo; 0x80 + address selects the counter there, which echoes it, or
// nobody; any other byte goes to the selected counter, if there is one.
void CSimPort::HandleByte(uint8_t byte, int64_t now) {
    Record({now, true, byte});
    m_scratch.clear();
    if (byte == 0xBF || (byte >= 0x80 && byte <= 0x9F)) {
        if (m_selected)
            m_selected->Release(byte == 0xBF, m_scratch);
        m_selected = nullptr;
        if (byte != 0xBF)
            Select(byte, now);
    } else if (m_selected) {
        m_selected->Receive(byte, m_scratch);
    }
    Queue(now);
    if (m_selected && m_selected->TakeHangUp())
        m_hangUpRequested = true;
}

void CSimPort::Select(uint8_t byte, int64_t now) {
    Queue(now); // what the released counter still sends goes first
    m_scratch.clear();
    CSimCounter* counter = Counter(byte - 0x80);
    if (counter && counter->Select(byte, m_scratch))
        m_selected = counter;
}

// Queues the bytes the counters just produced, caused by a byte at now.
void CSimPort::Queue(int64_t now) {
    for (const SimOutByte& out : m_scratch)
        m_out.push_back({out.byte, now, out.pauseNs});
    m_scratch.clear();
}

// The next byte to send or the next look at a stale mark, whichever comes
// first; -1 when neither is due.
int64_t CSimPort::NextWakeTime() const {
    const int64_t send = NextSendTime();
    if (m_staleCheckNs < 0)
        return send;
    return send < 0 ? m_staleCheckNs : std::min(send, m_staleCheckNs);
}

int64_t CSimPort::NextSendTime() const {
    if (m_out.empty())
        return -1;
    const Pending& front = m_out.front();
    int64_t afterPrevious = m_lastSendNs + (m_pacing ? kByteTimeNs : 0);
    return std::max(front.notBeforeNs, afterPrevious) + front.pauseNs;
}

// Writes every byte whose time has come. Unpaced bytes without a pause go
// out together; paced ones one at a time, each timed from when the one
// before it was due, as a UART sends them back to back: a thread that woke
// late does not stretch the line. A byte that the line cannot take (nobody
// has read the slave side for tens of kilobytes) is lost, as on a real line
// whose receiver overflows.
void CSimPort::SendDue() {
    uint8_t batch[512];
    while (!m_out.empty()) {
        int64_t now = SimMonotonicNs();
        const int64_t firstDue = NextSendTime();
        size_t count = 0;
        while (!m_out.empty() && count < sizeof batch) {
            int64_t due =
                count == 0 ? firstDue : (m_pacing || m_out.front().pauseNs > 0 ? INT64_MAX : now);
            if (due > now)
                break;
            batch[count++] = m_out.front().byte;
            m_out.pop_front();
        }
        if (count == 0)
            return;
        // The bytes are recorded under the same lock as they are written,
        // so a reader that has received them finds them in the transcript.
        // Their time is taken before the write: the program may read them
        // the moment they are written, and a send time later than its
        // receipt would shorten every wait measured from them.
        SimTranscriptEntry sent[sizeof batch];
        std::unique_lock lock(m_transcriptMutex);
        const int64_t stampNs = SimMonotonicNs();
        ssize_t written;
        do {
            written = write(m_master, batch, count);
        } while (written < 0 && errno == EINTR);
        const int64_t sentNs = SimMonotonicNs();
        m_lastSendNs = m_pacing ? std::min(firstDue, sentNs) : sentNs;
        for (ssize_t i = 0; i < written; ++i) {
            sent[i] = {stampNs, false, batch[i]};
            RecordLocked(sent[i]);
        }
        DiscardIfNobodyListens();
        Publish(lock, sent, written > 0 ? static_cast<size_t>(written) : 0);
    }
}
