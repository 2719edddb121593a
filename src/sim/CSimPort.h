#pragma once

#include "sim/CSimCounter.h"
#include "sim/SimCounterConfig.h"
#include "sim/SimTranscriptEntry.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One simulated com port: a pseudo-terminal in raw mode whose slave side is
// linked as <portDir>/COM<n>, and a thread that serves the counters of the
// line on the master side. The simulator keeps a slave descriptor of its
// own open, so the line never hangs up while programs open and close the
// link; that descriptor neither locks the device nor marks it exclusive.
// Bytes the counters send while no program has the link open are lost, as
// a closed serial port loses what arrives on its line (a program is taken
// to have the link open while it holds the exclusive mark, or while the
// device's open and close events say it is open). An exclusive mark that
// outlives its holder (a program killed before it could release the port)
// is cleared as soon as no program has the link open and no descriptor
// holds the device's lock, so the next program can open the port.
class CSimPort {
public:
    // Creates the pseudo-terminal and the link (replacing a stale link of
    // that name) and starts the thread. Throws std::system_error on failure.
    CSimPort(int comNumber, const std::string& portDir);
    CSimPort(const CSimPort&) = delete;
    CSimPort& operator=(const CSimPort&) = delete;
    // Stops the thread at once, closes the pseudo-terminal, removes the link.
    ~CSimPort();

    int ComNumber() const { return m_comNumber; }
    const std::string& LinkPath() const { return m_linkPath; }
    const std::string& DevicePath() const { return m_devicePath; }

    // Adds the counter at config.address (0 to 31; std::out_of_range
    // otherwise), or reconfigures the one already there. The reference stays
    // valid as long as the port.
    CSimCounter& AddCounter(const SimCounterConfig& config);
    CSimCounter* Counter(int address);
    std::vector<int> Addresses() const;

    // Every byte on the line in both directions, in order.
    std::vector<SimTranscriptEntry> Transcript() const;
    void ClearTranscript();
    std::vector<uint8_t> BytesToCounter() const;
    std::vector<uint8_t> BytesFromCounter() const;
    // Waits until the simulator has read at least count bytes from the
    // program since the last ClearTranscript; false on time-out.
    bool WaitForBytesToCounter(size_t count, int timeoutMs) const;
    // Keeps at most this many transcript entries (oldest dropped); default 1,000,000.
    void SetTranscriptLimit(size_t entries);
    // Called on the port's thread for every byte as it is recorded (null:
    // none). Returns after any call in progress has ended. The listener
    // must not call back into the port.
    void SetTranscriptListener(std::function<void(const SimTranscriptEntry&)> listener);

    // Sends the counters' bytes at 9600 baud, about 1.04 ms per byte.
    void SetPacing(bool on);
    bool Pacing() const;

    // Clears the exclusive mark of the device (TIOCNXCL), for a program that
    // ended without releasing it. True when the ioctl succeeded.
    bool ReleaseExclusive();
    // Called on the port's thread each time the port clears a mark left
    // behind by a program that no longer has the link open (null: none).
    // The listener must not call back into the port.
    void SetStaleMarkListener(std::function<void()> listener);

    // Runs the port's thread ahead of ordinary work (nice -10), as a real
    // counter does not share the computer's cores with the program under
    // test. False when the system does not permit it.
    bool SetUrgent();

    // The device vanishes: the port's thread closes the master side at once
    // (a program that has the link open reads a hang-up) and serves nothing
    // more. A counter's hangUpAt fault does the same in mid-exchange.
    void HangUp();
    // Whether the device has vanished.
    bool HasHungUp() const { return m_hungUp; }

private:
    struct Pending {
        uint8_t byte;
        int64_t notBeforeNs;
        int64_t pauseNs;
    };

    void OpenTerminal();
    void MakeLink();
    void Serve();
    void ReadInput();
    void ReadOpenEvents();
    void DiscardIfNobodyListens();
    bool ClearStaleMark();
    void ScheduleStaleCheck();
    int64_t NextWakeTime() const;
    void HandleByte(uint8_t byte, int64_t now);
    void Select(uint8_t byte, int64_t now);
    void Queue(int64_t now);
    void CloseMaster();
    int64_t NextSendTime() const;
    void SendDue();
    void Record(const SimTranscriptEntry& entry);
    void RecordLocked(const SimTranscriptEntry& entry);
    void Publish(std::unique_lock<std::mutex>& lock, const SimTranscriptEntry* entries,
                 size_t count);
    void CloseAll();

    const int m_comNumber;
    std::string m_linkPath;
    std::string m_devicePath;
    int m_master = -1;
    int m_slave = -1;
    int m_wake = -1;
    int m_watch = -1;

    // Counters are created under m_countersMutex and never destroyed before
    // the port, so the thread may use them without it.
    mutable std::mutex m_countersMutex;
    std::array<std::unique_ptr<CSimCounter>, 32> m_counters;
    CSimCounter* m_selected = nullptr;

    // Owned by the thread.
    std::deque<Pending> m_out;
    // When the last byte was sent; paced: when it was due to be sent.
    int64_t m_lastSendNs = 0;
    // Open descriptions of the slave side by programs, from the device's
    // open and close events; -1 when not known.
    int m_openers = 0;
    std::vector<SimOutByte> m_scratch;
    // When to look again whether an exclusive mark is stale (-1: no look
    // due), and how many more looks to make: a dying holder's close event
    // comes a moment before its lock goes.
    int64_t m_staleCheckNs = -1;
    int m_staleChecksLeft = 0;
    std::mutex m_staleMarkMutex;
    std::function<void()> m_staleMarkListener;

    mutable std::mutex m_transcriptMutex;
    mutable std::condition_variable m_transcriptChanged;
    std::deque<SimTranscriptEntry> m_transcript;
    size_t m_bytesToCounter = 0;
    size_t m_transcriptLimit = 1000000;
    // Held while the listener runs; taken after m_transcriptMutex.
    std::mutex m_listenerMutex;
    std::function<void(const SimTranscriptEntry&)> m_listener;
    std::atomic<bool> m_pacing{false};
    std::atomic<bool> m_hangUpRequested{false};
    // The kernel's id of the port's thread, once it runs.
    std::atomic<int> m_threadId{0};
    std::atomic<bool> m_hungUp{false};

    std::thread m_thread;
};
