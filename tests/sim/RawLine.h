#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The program's side of a simulated com port, on a bare descriptor: opened
// the way the serial port class opens a device (non-blocking, flock, refused
// when another descriptor marked it exclusive, exclusive mark, raw 9600 8N1) and closed the way it
// closes one (drain, flush the receive queue, release the exclusive mark).
class RawLine {
public:
    RawLine() = default;
    explicit RawLine(const std::string& path) { Open(path); }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;
    ~RawLine() { Close(); }

    // 0 on success, otherwise the errno of the step that failed.
    int Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }

    bool Write(const std::vector<uint8_t>& bytes);
    bool Write(const std::string& text);
    // Reads until count bytes arrived or timeoutMs passed since the call.
    std::vector<uint8_t> Read(size_t count, int timeoutMs);
    // Reads until no byte comes for quietMs (or maxMs passed in all).
    std::vector<uint8_t> ReadUntilQuiet(int quietMs, int maxMs = 3000);
    // Writes each byte and reads its echo, up to the first byte that gets
    // none; returns the echoes received.
    std::vector<uint8_t> Exchange(const std::string& text, int timeoutMs = 1000);

private:
    int m_fd = -1;
};

std::vector<uint8_t> Bytes(const std::string& text);
std::string Text(const std::vector<uint8_t>& bytes);
